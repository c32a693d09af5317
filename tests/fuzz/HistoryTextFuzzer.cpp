// The history text file (export format, blanks or CSV) on any text: every line
// becomes a draw or a problem naming its line, never both, in line order.
#include "FuzzSupport.h"

#include "history/HistoryTextFile.h"

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const QString text = utf8(data, size);
    const HistoryTextFile::Parsed parsed = HistoryTextFile::parse(text);
    const qsizetype lines = text.count(u'\n') + 1;
    int previous = 0;
    for (const HistoryTextFile::Line& line : parsed.draws) {
        check(line.lineNumber > previous && line.lineNumber <= lines, "draw lines out of order");
        previous = line.lineNumber;
        // What the file writer makes of a draw reads back as the same draw.
        const HistoryTextFile::Parsed again = HistoryTextFile::parse(HistoryTextFile::line(line.issue, line.numbers));
        check(again.draws.size() == 1 && again.draws[0].issue == line.issue && again.draws[0].numbers == line.numbers,
              "a written draw does not read back", line.issue);
    }
    for (const HistoryTextFile::Problem& problem : parsed.problems)
        check(problem.lineNumber >= 1 && problem.lineNumber <= lines && !problem.message.isEmpty(),
              "a problem without its line or message");
    return 0;
}
