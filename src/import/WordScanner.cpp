#include "import/WordScanner.h"

void WordScanner::SkipLine()
{
    while (pos_ < data_.size() && data_[pos_] != '\n')
        ++pos_;
}

std::string_view WordScanner::TakeLine(size_t limit)
{
    const size_t avail = data_.size() - pos_;
    const size_t n = avail < limit ? avail : limit;
    const size_t lf = data_.substr(pos_, n).find('\n');
    const size_t take = lf == std::string_view::npos ? n : lf + 1;
    const std::string_view line = data_.substr(pos_, take);
    pos_ += take;
    return line;
}
