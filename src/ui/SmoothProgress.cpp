#include "ui/SmoothProgress.h"

namespace
{
// A share of a period size, truncated like every product of the progress.
int Share(double factor, int size)
{
    return static_cast<int>(factor * size);
}
}  // namespace

void CSmoothProgress::Prepare(int periods)
{
    periods = periods < 1 ? 1 : periods;
    m_speed = periods <= 2 ? 1998 : (periods == 3 ? 1332 : 666);
    m_start = 0;
    m_periodsLeft = periods;
    m_size = kEnd / periods;
    m_end = m_size;
}

void CSmoothProgress::BeginPeriod(int position)
{
    // More results than periods would leave none to divide the rest by: the last one stays open.
    m_periodsLeft = m_periodsLeft > 1 ? m_periodsLeft - 1 : 1;
    position = position < 0 ? 0 : (position > kEnd ? kEnd : position);
    const int in = position - m_start;
    const int x = m_size;
    double speed = m_speed;
    if (in < Share(0.1, x))
    {
        speed = static_cast<int>(speed * 4);
    }
    if (in < Share(0.25, x))
    {
        speed = static_cast<int>(speed * 3);
    }
    else if (in < Share(0.5, x))
    {
        speed = static_cast<int>(speed * 2);
    }
    else if (in < Share(0.7, x))
    {
        speed = static_cast<int>(speed * 1.5);
    }
    else if (in >= x)
    {
        if (in < Share(1.25, x))
        {
            speed = static_cast<int>(speed * 0.5);
        }
        else if (Share(1.25, x) < in && in < Share(1.5, x))
        {
            speed = static_cast<int>(speed * 0.3);
        }
        else if (in == Share(1.5, x))
        {
            speed = static_cast<int>(speed * 0.2);
        }
    }
    // A very fast run must not make the speed grow without end either.
    m_speed = speed < kMinimumSpeed ? kMinimumSpeed : (speed > kEnd ? kEnd : static_cast<int>(speed));
    m_start = position;
    m_size = static_cast<int>(static_cast<unsigned>(kEnd - position) / static_cast<unsigned>(m_periodsLeft));
    m_end = position + m_size;
}

int CSmoothProgress::Tick(int position) const
{
    if (position > kHold)
    {
        return position;
    }
    const int in = position - m_start;
    const int x = m_size;
    int step = 0;
    if (in < Share(0.5, x))
    {
        step = m_speed;
    }
    else if (in < Share(0.7, x))
    {
        step = m_speed / 2;
    }
    else if (in < x)
    {
        step = Share(0.3, m_speed);
    }
    else if (in < Share(1.5, x))
    {
        step = Share(0.2, m_speed);
    }
    const int next = position + step;
    return next > kEnd ? kEnd : next;
}
