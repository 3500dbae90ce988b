// Errors and exceptions: the exception classes offered to applications, the translation of Windows
// error codes into errno values, socket error names, and the version text of the tool set.
#ifndef QVOBASE_QVOERROR_H
#define QVOBASE_QVOERROR_H

#include "QVOExport.h"
#include "QVOString.h"

// How the library reports failure: operations return a bool or a failure value and leave the cause in
// errno. Nothing in the library throws the exception classes below; they are for applications.

// CQVOException: abstract base of the library's exceptions; it carries a message text.
// Subclasses name themselves through getExceptionName().
class QVO_API CQVOException {
 public:
  // The message is a copy of the given text.
  explicit CQVOException(CQVOString const& message);
  CQVOException(CQVOException const& other);
  CQVOException& operator=(CQVOException const& other);
  virtual ~CQVOException();

  // The name of the exception's class, such as "GeneralError".
  virtual char const* getExceptionName() const = 0;
  // The message text; valid as long as the exception object lives and its message is unchanged.
  virtual char const* getMessage() const;

 protected:
  // Replaces the message; a null text gives the empty message.
  void setMessage(char const* message);

  CQVOString m_message;
};

// CQVOGeneralError: the concrete exception. Its name is "GeneralError".
//   CQVOGeneralError().getMessage() is "ScenarioPacketIOFailureException"
//   CQVOGeneralError("disk gone").getMessage() is "disk gone"
class QVO_API CQVOGeneralError : public CQVOException {
 public:
  CQVOGeneralError();
  explicit CQVOGeneralError(char const* message);
  CQVOGeneralError(CQVOGeneralError const& other);
  CQVOGeneralError& operator=(CQVOGeneralError const& other);
  ~CQVOGeneralError() override;

  char const* getExceptionName() const override;
};

// CQVOBase: diagnostics of socket-style errors.
class QVO_API CQVOBase {
 public:
  // Reads the calling thread's last socket error (as a Windows Sockets number; on Linux errno
  // translated to it), writes its name into text ("WSAECONNREFUSED" for 10061) or, for a code
  // without a name, "Unknown Error '<code>'", and returns the code.
  static int GetNativeErrorCodeAsString(CQVOString& text);
};

// CQVOBaseNT: translation of Windows error codes into errno values. The tables hold the target's own
// errno constants, so the same code gives the matching errno name on both targets. Both functions
// write errno of the calling thread and never fail: an unknown code gives EINVAL.
class QVO_API CQVOBaseNT {
 public:
  // errno from a Windows error code: the table for codes 0 to 267, EPIPE for 535 (pipe connected)
  // and 536 (pipe listening), EINVAL for any other code.
  //   winConvertError(2) sets ENOENT; winConvertError(267) sets ENOTDIR; winConvertError(537) EINVAL
  static void winConvertError(unsigned long code);
  // errno from a Windows Sockets error code: codes 10035 to 10071 are stored unchanged (errno
  // receives the socket error number itself); any other code gives EINVAL.
  static void winConvertWSAError(unsigned long code);

 private:
  static const signed char WinErrorCodeToErrnoMap[268];
  static const unsigned int WinErrorCodeToErrnoMapLen;
  static const int WinWSAErrorCodeToErrnoMap[37];
};

// The version text of the tool set, such as "3.4.0": the project version the library was built as.
QVO_EXTERN_C QVO_API char const* QVOToolsVersion();

#endif  // QVOBASE_QVOERROR_H
