// Unloading the library while its own threads run: a program that does not link QVOBase loads a
// plug-in that does, lets it start the log's writer and the timer thread, unloads the plug-in and
// goes on running; the library stays loaded for its threads and the process ends normally.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "QVOProcess.h"
#include "support/child_process.h"

namespace fs = std::filesystem;

namespace {

std::string pluginPath() {
  const std::string self = qvotest::selfExecutablePath();
#if defined(_WIN32)
  return self.substr(0, self.find_last_of("\\/") + 1) + "qvo_plugin.dll";
#else
  return self.substr(0, self.find_last_of('/') + 1) + "qvo_plugin.so";
#endif
}

TEST(LibraryUnload, ProgramOutlivesThePlugInThatStartedTheLibrarysThreads) {
  const fs::path dir = fs::absolute(fs::path("scratch") / "plugin");
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir);
  const std::string log = (dir / "plugin.log").string();
  const std::string args = "\"" + pluginPath() + "\" \"" + log + "\"";
  CQVOProcess host(qvotest::helperProgramPath("plugin_host"), args.c_str(), dir.string().c_str(), "host.err",
                   "host.out", false);
  ASSERT_EQ(host.Spawn(false), 0);
  int status = -1;
  // A library unloaded under its threads crashes the host, or hangs it in the unload.
  const int waited = host.Wait(&status, 60000);
  if (waited == 0) {
    host.Kill(true);
    FAIL() << "the host did not end within 60 s of its start";
  }
  ASSERT_EQ(waited, static_cast<int>(host.pid()));
  EXPECT_EQ(status, 0) << qvotest::readFile((dir / "host.err").string());
  std::string out = qvotest::readFile((dir / "host.out").string());
  EXPECT_NE(out.find("library loaded after unload: 1"), std::string::npos) << out;
  // The record that the plug-in queued for the writer thread reached the file.
  EXPECT_NE(qvotest::readFile(log).find("queued by the plug-in"), std::string::npos);
}

}  // namespace
