#pragma once

class QCoreApplication;

// Qt's own texts (OK and Cancel, the file dialogs, network errors) in Chinese:
// installs qtbase_zh_CN from Qt's translations folder (Debian's
// qt6-translations-l10n). Without the file Qt's texts stay English and false is
// returned; nothing else changes.
class QtTranslation {
public:
    static bool install(QCoreApplication& app);
};
