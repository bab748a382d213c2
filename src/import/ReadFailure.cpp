#include "import/ReadFailure.h"

#include <algorithm>

ReadResult RefuseRead(CPolyModel& model, std::string reason)
{
    model.whyNotRead = std::move(reason);
    return kReadFailed;
}

std::string AtLine(size_t line, std::string_view what)
{
    std::string out = "line " + std::to_string(line) + ": ";
    out.append(what);
    return out;
}

size_t LineAt(std::string_view text, size_t offset)
{
    const size_t end = std::min(offset, text.size());
    return 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + end, '\n'));
}

std::string StoppedAt(std::string_view text, size_t at, std::string_view what)
{
    if (at >= text.size())
        return "the file ends too soon";
    return AtLine(LineAt(text, at), what);
}
