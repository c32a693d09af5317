#pragma once

// Creates the process's QCoreApplication when there is none yet, for engine tests
// that run an event loop (downloads, local servers). It lives until exit.
void ensureQtApplication();
