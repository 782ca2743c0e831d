#pragma once
// The install dialog's progress bar, which moves by itself between results. The bar (0 to kEnd) is cut
// into periods, one per selected item and one for the system update. Within a period each tick moves
// it fast at first and slower towards the period's expected end; at each result the speed is tuned by
// how far the last period got, so the bar rarely stands still and rarely runs ahead of the run.

class CSmoothProgress
{
public:
    static constexpr int kEnd = 100000;
    static constexpr int kHold = 97999;                       // the timer never moves the bar past this
    static constexpr int kMinimumSpeed = 20;

    // A run of `periods` periods (selected items + 1); the bar stands at 0.
    void Prepare(int periods);
    // A result arrived with the bar at position: the next period begins there.
    void BeginPeriod(int position);
    // Where a tick of the timer moves the bar from position.
    int Tick(int position) const;

    int Speed() const { return m_speed; }
    int StartPoint() const { return m_start; }
    int PeriodSize() const { return m_size; }
    int EndPoint() const { return m_end; }
    int PeriodsLeft() const { return m_periodsLeft; }

private:
    int m_speed = 666;
    int m_start = 0;
    int m_size = kEnd;
    int m_end = kEnd;
    int m_periodsLeft = 1;
};
