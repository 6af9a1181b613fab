// The estimate of the time left, taken only from readings where the share
// done has grown: between them the share stands still while time runs on,
// which says nothing new.
#include "core/engine/timeleft.h"

#include <algorithm>

double CTimeLeft::Update(double elapsed, double done) {
    if (done > m_lastDone && done > 0.0 && elapsed > 0.0) {
        m_lastDone = done;
        m_readings.push_back({elapsed, elapsed / done});
        while (m_readings.size() > static_cast<std::size_t>(kMinReadings) &&
               m_readings.front().elapsed < elapsed - kWindow)
            m_readings.pop_front();
    }
    if (m_readings.size() < static_cast<std::size_t>(kMinReadings) || elapsed - m_readings.front().elapsed < kMinSpan)
        return -1.0;
    const auto [least, most] = std::minmax_element(
        m_readings.begin(), m_readings.end(), [](const Reading& a, const Reading& b) { return a.total < b.total; });
    const double total = m_readings.back().total;
    if (most->total > least->total * kAgreement || elapsed > total * kAgreement) return -1.0;
    return std::max(total - elapsed, 0.0);
}
