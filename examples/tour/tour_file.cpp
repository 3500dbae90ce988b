// Tour chapter: files and directories. Makes a directory, writes a text file line by line, copies it
// the three ways, renames it, reads it back whole and line by line, and shows that a file opened
// exclusively refuses a second exclusive open.
#include <cstdio>

#include "QVOBase.h"
#include "tour.h"

namespace {

void run(std::vector<std::string> const&) {
  CQVODir dir("tour_files");  // resolved against the current directory
  dir.Create();
  std::printf("directory          %s\n", dir.Path().c_str());

  {
    CQVOTextFile notes("notes.txt", dir, "w", 0, true);
    notes.WriteNextLine("first line");
    notes.WriteNextLine("second line");
    notes.WriteNextLine("third line");
    std::printf("wrote              %s (%ld bytes)\n", notes.FullName().c_str(), notes.Size());
  }

  CQVOTextFile notes("notes.txt", dir, "r", 1, false);
  CQVOFile copy("copy.txt", dir, "r", 'b', 1, false);
  copy.Delete();  // left over from an earlier run
  std::printf("copy as new        %d\n", copy.Copy(notes, CQVOFile::eCopyNew));
  std::printf("copy as new again  %d (the copy exists)\n", copy.Copy(notes, CQVOFile::eCopyNew));
  std::printf("copy appended      %d\n", copy.Copy(notes, CQVOFile::eCopyAppend));
  CQVOFile overwritten("overwritten.txt", dir, "r", 'b', 1, false);
  std::printf("copy overwriting   %d\n", overwritten.Copy(notes, CQVOFile::eCopyOverwrite));
  copy.Open("r", 'b', 1);
  std::printf("appended copy      %ld bytes, twice the original\n", copy.Size());
  copy.Close();

  CQVOTextFile renamed("renamed.txt", dir, "r", 1, false);
  renamed.Delete();
  int const result = notes.Rename("renamed.txt");
  std::printf("rename             %d -> %s\n", result, notes.FullName().c_str());

  notes.Open("r", 0, 1);
  std::printf("whole content:\n%s", notes.GetContent().c_str());
  int number = 0;
  for (;;) {
    CQVOString line = notes.ReadNextLine();
    if (line.IsEmpty() && notes.EndOfFile() == 1) break;
    std::printf("line %d             %s\n", ++number, line.c_str());
  }
  notes.Close();

  CQVOFile first("renamed.txt", dir, "r", 'b', 0, true);
  CQVOFile second("renamed.txt", dir, "r", 'b', 0, true);
  std::printf("exclusive open     first %s, second %s\n", first.IsOpen() ? "open" : "refused",
              second.IsOpen() ? "open" : "refused");
  first.Close();
  std::printf("after the close    second %s\n", second.Open("r", 'b', 0) ? "opens" : "refused");
  second.Close();

  for (char const* name : {"renamed.txt", "copy.txt", "overwritten.txt"}) CQVOFile(name, dir, "r", 'b', 0, false).Delete();
  std::printf("directory removed  %s\n", dir.Delete() ? "yes" : "no");
}

const tour::Register reg({40, "Files and directories", run});

}  // namespace
