#include "model/EdgeRecords.h"

namespace {
constexpr char kLetters[] = {'\0', 'B', 'M', 'V', 'F', 'U', 'C', 'J'};
}

char EdgeAssignmentLetter(EdgeAssignment assignment)
{
    const auto i = static_cast<unsigned>(assignment);
    return i < sizeof(kLetters) ? kLetters[i] : '\0';
}

EdgeAssignment EdgeAssignmentFromLetter(char letter)
{
    const char upper = letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
    for (unsigned i = 1; i < sizeof(kLetters); ++i)
        if (kLetters[i] == upper)
            return static_cast<EdgeAssignment>(i);
    return EdgeAssignment::None;
}
