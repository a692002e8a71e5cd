// Feeds arbitrary bytes to the program text parser: it must never crash, and whatever it accepts must keep
// the limits the file format promises.
#include "platform/filekit/ProgramTextParser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace filekit;
    ProgramTextTable table;
    const int result = parseProgramTexts(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), table);
    if (result < 0) {
        if (!table.isEmpty())
            std::abort();
        const bool lineNumbered = result <= TextLoad::MissingStringBase - 1;
        const int line = result < TextLoad::DuplicateBase       ? TextLoad::DuplicateBase - result
                         : result < TextLoad::TooLongBase       ? TextLoad::TooLongBase - result
                         : result < TextLoad::MissingStringBase ? TextLoad::MissingStringBase - result
                                                                : 0;
        if (lineNumbered && (line < 1 || line > kMaxLines))
            std::abort();
        if (!lineNumbered && result < TextLoad::TooManyFields)
            std::abort();
        return 0;
    }
    if (result != table.size())
        std::abort();
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        if (it.key() < 1 || it.value()[0].isEmpty())
            std::abort();
        for (const QString& text : it.value()) {
            if (text.size() > kMaxTextLength)
                std::abort();
        }
    }
    return 0;
}
