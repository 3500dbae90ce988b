// CQVOCPUUsage: a processor usage meter that records its creation time and measures nothing.
#include <chrono>

#include "QVOProcess.h"

CQVOCPUUsage::CQVOCPUUsage() : m_dStartTime(0.0), m_dUserPercentage(0.0), m_dSystemPercentage(0.0) {
  // Whole seconds times 1000 plus the milliseconds, as the runtime's time-of-day clock gives them.
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now);
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now - seconds);
  m_dStartTime = static_cast<double>(seconds.count()) * 1000.0 + static_cast<double>(millis.count());
}

CQVOCPUUsage::CQVOCPUUsage(CQVOCPUUsage const& other) = default;
CQVOCPUUsage& CQVOCPUUsage::operator=(CQVOCPUUsage const& other) = default;
CQVOCPUUsage::~CQVOCPUUsage() = default;

double CQVOCPUUsage::GetUserPercentageUsage() { return m_dUserPercentage; }
double CQVOCPUUsage::GetSystemPercentageUsage() { return m_dSystemPercentage; }

void CQVOCPUUsage::GetMeasurements() {}
