// Tests of the error translation, socket error names, exception classes and the version text.
#include <gtest/gtest.h>

#include <cerrno>

#include "QVOError.h"
#include "platform/error.h"

namespace {

struct ErrorCase {
  unsigned long code;
  int expected;
};

TEST(WinConvertError, MapsCodesToTheTargetsErrnoConstants) {
  const ErrorCase cases[] = {
      {0, 0},          {2, ENOENT},       {3, ENOENT},    {86, EPERM},   {127, ESRCH},
      {31, EIO},       {34, ENXIO},       {10, E2BIG},    {11, ENOEXEC}, {6, EBADF},
      {184, ECHILD},   {231, EAGAIN},     {8, ENOMEM},    {5, EACCES},   {32, EACCES},
      {14, EFAULT},    {21, EBUSY},       {80, EEXIST},   {145, EEXIST}, {183, EEXIST},
      {17, EXDEV},     {50, ENODEV},      {267, ENOTDIR}, {35, ENFILE},  {4, EMFILE},
      {61, EFBIG},     {112, ENOSPC},     {132, ESPIPE},  {19, EROFS},   {109, EPIPE},
      {233, EPIPE},    {206, ENAMETOOLONG}, {13, EINVAL}, {38, EINVAL},  {1, EINVAL},
      {268, EINVAL},   {535, EPIPE},      {536, EPIPE},   {537, EINVAL}, {534, EINVAL},
      {0xFFFFFFFFul, EINVAL},
  };
  for (const auto& c : cases) {
    errno = -12345;
    CQVOBaseNT::winConvertError(c.code);
    EXPECT_EQ(errno, c.expected) << "code " << c.code;
  }
}

TEST(WinConvertError, TableHolds176InvalidEntries) {
  int invalid = 0;
  for (unsigned long code = 0; code < 268; ++code) {
    CQVOBaseNT::winConvertError(code);
    if (errno == EINVAL) ++invalid;
  }
  EXPECT_EQ(invalid, 176);
}

TEST(WinConvertWSAError, PassesSocketCodesInRangeAndRejectsOthers) {
  const ErrorCase cases[] = {{10035, 10035}, {10061, 10061}, {10071, 10071},
                             {10034, EINVAL}, {10072, EINVAL}, {10004, EINVAL}, {0, EINVAL}};
  for (const auto& c : cases) {
    CQVOBaseNT::winConvertWSAError(c.code);
    EXPECT_EQ(errno, c.expected) << "code " << c.code;
  }
}

TEST(SocketErrorName, NamesKnownCodesAndFormatsUnknownOnes) {
  struct Case {
    int code;
    const char* text;
  } cases[] = {{10061, "WSAECONNREFUSED"},
               {10035, "WSAEWOULDBLOCK"},
               {11004, "WSANO_DATA"},
               {10093, "WSANOTINITIALISED"},
               {10054, "Unknown Error '10054'"}};
  for (const auto& c : cases) {
    CQVOString text("previous");
    qvo::platform::setLastSocketError(c.code);
    EXPECT_EQ(CQVOBase::GetNativeErrorCodeAsString(text), c.code);
    EXPECT_STREQ(text.c_str(), c.text);
  }
}

TEST(Exceptions, GeneralErrorNamesItselfAndKeepsItsMessage) {
  const CQVOGeneralError plain;
  EXPECT_STREQ(plain.getExceptionName(), "GeneralError");
  EXPECT_STREQ(plain.getMessage(), "ScenarioPacketIOFailureException");

  CQVOGeneralError disk("disk gone");
  const CQVOException& base = disk;
  EXPECT_STREQ(base.getMessage(), "disk gone");
  EXPECT_STREQ(base.getExceptionName(), "GeneralError");

  CQVOGeneralError copy(disk);
  disk = plain;  // the copy keeps its own message
  EXPECT_STREQ(copy.getMessage(), "disk gone");
  EXPECT_STREQ(disk.getMessage(), "ScenarioPacketIOFailureException");

  const CQVOGeneralError fromNull(nullptr);
  EXPECT_STREQ(fromNull.getMessage(), "");
}

TEST(Exceptions, CanBeThrownAndCaughtThroughTheBase) {
  try {
    throw CQVOGeneralError("boom");
  } catch (const CQVOException& e) {
    EXPECT_STREQ(e.getMessage(), "boom");
  }
}

TEST(Version, ToolsVersionIsFixedText) { EXPECT_STREQ(QVOToolsVersion(), "3.4.0"); }

}  // namespace
