// The exception classes offered to applications and the names of socket error codes.
#include <string>

#include "QVOError.h"
#include "platform/error.h"

CQVOException::CQVOException(CQVOString const& message) : m_message(message) {}
CQVOException::CQVOException(CQVOException const& other) : m_message(other.m_message) {}
CQVOException& CQVOException::operator=(CQVOException const& other) {
  if (this != &other) m_message = other.m_message;
  return *this;
}
CQVOException::~CQVOException() = default;

char const* CQVOException::getMessage() const { return m_message.c_str(); }

void CQVOException::setMessage(char const* message) { m_message = message ? message : ""; }

CQVOGeneralError::CQVOGeneralError() : CQVOException(CQVOString("ScenarioPacketIOFailureException")) {}
CQVOGeneralError::CQVOGeneralError(char const* message) : CQVOException(CQVOString(message)) {}
CQVOGeneralError::CQVOGeneralError(CQVOGeneralError const& other) = default;
CQVOGeneralError& CQVOGeneralError::operator=(CQVOGeneralError const& other) = default;
CQVOGeneralError::~CQVOGeneralError() = default;

char const* CQVOGeneralError::getExceptionName() const { return "GeneralError"; }

namespace {

struct SocketErrorName {
  int code;
  char const* name;
};

constexpr SocketErrorName kSocketErrorNames[] = {
    {10004, "WSAEINTR"},        {10013, "WSAEACCES"},       {10014, "WSAEFAULT"},
    {10022, "WSAEINVAL"},       {10024, "WSAEMFILE"},       {10035, "WSAEWOULDBLOCK"},
    {10036, "WSAEINPROGRESS"},  {10037, "WSAEALREADY"},     {10038, "WSAENOTSOCK"},
    {10042, "WSAENOPROTOOPT"},  {10045, "WSAEOPNOTSUPP"},   {10047, "WSAEAFNOSUPPORT"},
    {10048, "WSAEADDRINUSE"},   {10049, "WSAEADDRNOTAVAIL"}, {10050, "WSAENETDOWN"},
    {10051, "WSAENETUNREACH"},  {10052, "WSAENETRESET"},    {10053, "WSAECONNABORTED"},
    {10055, "WSAENOBUFS"},      {10056, "WSAEISCONN"},      {10057, "WSAENOTCONN"},
    {10060, "WSAETIMEDOUT"},    {10061, "WSAECONNREFUSED"}, {10093, "WSANOTINITIALISED"},
    {11001, "WSAHOST_NOT_FOUND"}, {11002, "WSATRY_AGAIN"},  {11003, "WSANO_RECOVERY"},
    {11004, "WSANO_DATA"},
};

}  // namespace

int CQVOBase::GetNativeErrorCodeAsString(CQVOString& text) {
  const int code = qvo::platform::lastSocketError();
  for (const auto& row : kSocketErrorNames) {
    if (row.code == code) {
      text = row.name;
      return code;
    }
  }
  text = ("Unknown Error '" + std::to_string(code) + "'").c_str();
  return code;
}
