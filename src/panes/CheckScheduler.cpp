#include "panes/CheckScheduler.h"

bool CCheckScheduler::StepTaken(Duration step)
{
    stale_ = true;
    return !measured_ || lastCheck_ < step;
}

bool CCheckScheduler::Replaced()
{
    stale_ = true;
    return true;
}

void CCheckScheduler::Checked(Duration took)
{
    lastCheck_ = took;
    measured_ = true;
    stale_ = false;
}

void CCheckScheduler::Rebased(Duration took)
{
    lastCheck_ = took;
    measured_ = false;
    stale_ = false;
}
