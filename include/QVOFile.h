// Files and directories: CQVODir (a directory path), CQVOFile (a named file over a C stream, with
// copy, rename and delete) and CQVOTextFile (line-oriented text access).
#ifndef QVOBASE_QVOFILE_H
#define QVOBASE_QVOFILE_H

#include <cstdio>

#include "QVOExport.h"
#include "QVOString.h"

// Paths are kept in the platform's form: '\' separators on Windows (every '/' becomes '\'), '/' on
// POSIX (every '\' becomes '/'). Below, "separator" means that platform character.
//
// Operations that fail report it by their result and leave the cause in errno; nothing throws.
// The classes write trace records under the module "QVOFILE" (see CQVOLog); they are written only
// when that module is switched on.

// CQVODir names one directory by its path. It normalises the separators when built and can resolve
// a relative path against the current working directory.
//
//   CQVODir("logs/today")                        -> <current directory><separator>logs<separator>today
//   CQVODir("logs/today", CQVODir::msc_iKeepPath) -> logs<separator>today (Windows: logs\today)
//   CQVODir()                                    -> the current directory with one trailing separator
//
// A path counts as absolute on Windows when it holds ':' (a drive) or "\\" (a network path) anywhere,
// on POSIX when it starts with '/'. The current directory may be of any length.
//
// Thread safety: an object is used by one thread at a time. The current directory that resolution
// reads and ChangeDir sets is process-wide.
class QVO_API CQVODir {
 public:
  // Construction modes: keep the normalised path as given, or (the default) make a relative path
  // absolute against the current working directory.
  static constexpr int msc_iKeepPath = -121;
  static constexpr int msc_iResolvePath = -122;

  // Normalises the separators of `path` (null is the empty path); with any mode other than
  // msc_iKeepPath, a relative path becomes the current directory, one separator, then the path
  // (one leading separator of the path dropped). A trailing separator of the argument is kept and
  // none is added, except to the current directory itself. If the current directory cannot be read,
  // the normalised relative path is kept.
  CQVODir(char const* path = "", int mode = msc_iResolvePath);
  CQVODir(CQVODir const& other);
  virtual ~CQVODir();

  CQVODir& operator=(CQVODir const& other);
  // The path becomes `path` with its separators normalised, and nothing else: a relative path stays
  // relative. Null is the empty path.
  CQVODir& operator=(char const* path);

  // Creates the directory (only its last component). False when it exists already or the parent is
  // missing, with errno as the runtime set it.
  bool Create();
  // Removes the directory, which must be empty. On failure writes the ERROR trace line
  // "CQVODir::Delete : failed to delete <path> errno=<errno>" and returns false.
  bool Delete();
  // Makes the path the process's current working directory. False with errno set on failure.
  bool ChangeDir();

  CQVOString const& Path() const;
  // The path as a C string, valid while the object is unchanged.
  operator char const*();
  operator char const*() const;

 private:
  CQVOString m_strPath;
};

// CQVOFile is a named file on the local file system, opened through a buffered C stream (FILE*).
// The object keeps everything needed to open the file again: its directory, its name, its access
// mode (one of ms_aszAccessFile), its type character ('b' binary, ' ' text) and its sharing value
// (1: others may read and write it while it is open; 0: exclusive).
//
// Results: -2 (for unsigned results its bit pattern 4294967294) means the operation cannot be done
// in the object's state or with these arguments; 0 or false is a failure with errno set.
//
// Sharing: a file open with sharing value 0 refuses every other open by the library (in this or
// another process); one open with value 1 lets others open it with value 1 too. On Windows this is
// the runtime's share-mode open; on POSIX an advisory lock that only users of the library honour.
//
// Copies: copying an object copies its naming and mode fields; the copy is closed and owns no
// stream, so every stream is closed exactly once. Assigning to an open object closes its stream.
//
// Thread safety: an object is used by one thread at a time.
class QVO_API CQVOFile {
 public:
  // The accepted access modes, ended by an empty row: "r", "w", "a", "r+", "w+", "a+", "".
  static char ms_aszAccessFile[7][3];

  // How Copy treats the destination.
  enum enumCopyType {
    eCopyNew = 0,        // the destination must not exist (else -2)
    eCopyOverwrite = 1,  // the destination is created or truncated
    eCopyAppend = 2      // the bytes are appended to the destination (created when missing)
  };

  // Unnamed and closed: empty unresolved directory, empty name, access "r+", type 'b', sharing 0.
  CQVOFile();
  // Stores the arguments (nulls as empty texts) and splits the name: a name holding a separator
  // carries its own directory, which wins over `dir`; otherwise `dir` gets a trailing separator.
  // The file is named when a name remains and the directory has at least two characters, or when
  // the name held a separator. Writes an INFO trace line with the arguments. Opens the file when
  // `open` is true (Open(access, type, share)). Access, type and sharing are checked by Open.
  //   CQVOFile("C:/data/x.bin", CQVODir("D:\\y"), "r", 'b', 0, false): directory C:\data\, name x.bin
  CQVOFile(char const* name, CQVODir const& dir, char const* access, char type, int share, bool open);
  CQVOFile(CQVOFile const& other);
  // Closes this object's own stream first; the object is then closed.
  CQVOFile& operator=(CQVOFile const& other);
  // Closes the stream when open.
  virtual ~CQVOFile();

  // Opens (after closing any open stream) with `access`, `type` and `share`, each stored unless it
  // is empty (null), 0 or -2. The stored values are then checked: an access not in ms_aszAccessFile
  // becomes "r+", a type other than 'b' or ' ' becomes 'b', a sharing value other than 0 or 1
  // becomes 0. Fails when the file is unnamed, the old stream cannot be closed, the file exists but
  // cannot be accessed as asked, or another user holds it in a conflicting sharing mode. When `access`
  // is empty and the file does not exist, a failed first attempt is retried once with "w+", which
  // then stays the stored access: an empty access opens an existing file for update and creates a
  // missing one. True when a stream is open afterwards; a failed Open leaves the object closed.
  virtual bool Open(char const* access, char type, int share);
  // -2 when not open; 1 on success; 0 when the runtime reports a failure (for example buffered bytes
  // that could not be written). The stream is released in both cases and the object is closed.
  virtual int Close();
  // True when open, or when the named file exists; false when unnamed. Writes INFO trace lines.
  virtual bool Exist();
  // Whether the existing file may be opened with `access` (the stored access when empty or null):
  // read permission for "r", read and write for a mode with '+', write otherwise. False for a missing
  // or unnamed file.
  virtual bool IsReachable(char const* access);

  // Reads up to `count` items of `size` bytes into `buffer`; the number of whole items read, except
  // that a single item (`count` 1) that cannot be read whole gives -2. -2 when closed, for a null
  // buffer, a zero count, a size below 1, or a request larger than the address space.
  virtual unsigned int Read(char* buffer, unsigned int count, long size);
  // Writes `count` bytes; `count` when all were written, else 0. -2 when closed, for a null buffer
  // or a zero count.
  virtual unsigned int Write(char const* buffer, unsigned int count);
  // 1 when the stream's end-of-file indicator is set, else 0; -2 when closed.
  virtual int EndOfFile() const;
  // Moves by `offset` from `origin` (0 start, 1 current position, 2 end); returns the position before
  // the move. A failed move (such as before the start) leaves the position and returns -2.
  virtual long MovePointer(int origin, long offset);
  // The current position; -2 when closed.
  virtual long PointerPosition() const;
  // The file's length in bytes, the position left unchanged; -2 when closed.
  virtual long Size();
  // 1 when the stream's buffer was written out, else 0; -2 when closed.
  virtual int Flush();

  // Copies `source`'s bytes into this file. 1 on success, 0 on failure (an unknown `type`, a file
  // that cannot be opened, read or written), -2 for an unnamed file, for eCopyNew onto an existing
  // destination or into this file while it is open. Open files are closed for the copy and reopened
  // afterwards (an access starting with 'w' as "r+", sharing 0); the source returns to its position,
  // this file too after eCopyAppend. Copying a file onto itself, however it is spelled, returns 1 and
  // touches nothing.
  virtual int Copy(CQVOFile& source, enumCopyType type);
  // Renames the file to `newName` in `*newDir` (this file's directory when null; a directory inside
  // `newName` wins). 1 on success; -1 for a null name or an unnamed file; 0 when the new name is not
  // usable, another file of that name exists (it is never replaced) or the runtime fails. An open file
  // is reopened under its new name (an access starting with 'w' as "r+", sharing 0) at the start.
  virtual int Rename(char const* newName, CQVODir const* newDir = nullptr);
  // Closes the file and removes it. False for an unnamed file or when the removal fails.
  virtual bool Delete();
  // Only for an open file: removes it and opens it again, created empty, with the stored access and
  // type and sharing 0. True when both steps succeed.
  virtual bool EmptyFile();

  bool IsNamed() const;
  bool IsOpen() const;
  int Shareable() const;
  char Type() const;
  CQVODir Dir() const;
  CQVOString Access() const;
  CQVOString Name() const;
  // The directory path directly followed by the name.
  CQVOString FullName() const;
  FILE* FilePointer();
  FILE const* FilePointer() const;

  // The file's status change time (creation time on Windows), modification time or access time in
  // seconds since 1970-01-01 UTC. Work on closed files. False, with `t` unchanged, when the status
  // cannot be read or the time does not fit in a long (after January 2038 where long has 32 bits).
  bool LastChangeTime(long& t) const;
  bool LastModificationTime(long& t) const;
  bool LastAccessTime(long& t) const;

 protected:
  // Copies `source` to `destination` in binary mode. 1 on success (also when both name the same
  // file), 0 on failure, -2 when `destination` exists and `type` is eCopyNew. With `share` 1 the
  // destination is opened deny-none.
  static int Copy(char const* source, char const* destination, enumCopyType type, int share);
  // True when the file was renamed; an existing `newName` is never replaced.
  static bool Rename(char const* oldName, char const* newName);
  // True when the file was removed.
  static bool Delete(char const* path);

  // Normalises `*name` and splits a directory out of it into `*dir`, or gives `*dir` a trailing
  // separator; true when the pair names a file (see the constructor).
  bool InitialiseNameAndDir(CQVOString* name, CQVODir* dir);
  // Replaces a stored access, type or sharing value that is not accepted (see Open).
  void VerifyAccessTypeShareable();

  CQVODir m_dir;
  CQVOString m_strName;
  CQVOString m_strAccess;
  char m_cType;
  int m_iShare;
  bool m_bOpen;
  bool m_bNamed;
  FILE* m_pFile;

 private:
  bool statTime(int which, long& t) const;
};

// CQVOTextFile is a CQVOFile opened in text mode (on Windows the runtime turns "\r\n" into "\n" on
// reading and back on writing; on POSIX text and binary are the same) with line-oriented access.
class QVO_API CQVOTextFile : public CQVOFile {
 public:
  // As CQVOFile(): its type stays 'b' until an Open supplies another.
  CQVOTextFile();
  // As the CQVOFile constructor with the text type ' '.
  CQVOTextFile(char const* name, CQVODir const& dir, char const* access, int share, bool open);
  CQVOTextFile(CQVOTextFile const& other);
  CQVOTextFile& operator=(CQVOTextFile const& other);
  virtual ~CQVOTextFile();

  // The next line without its line feed, at most 4095 characters a call (a longer line comes in
  // pieces). Empty at the end of the file, on a read error and without a stream; an empty line is
  // told from the end by EndOfFile().
  CQVOString ReadNextLine();
  // Writes `line` and a line feed unless it ends in one. 1 on success, 0 on a write error, -2
  // without a stream or for a null line.
  int WriteNextLine(char const* line);
  int WriteNextLine(CQVOString const& line);
  // Writes at most `count` characters of the zero-terminated `text` (all of it when `count` is 0).
  // Results as CQVOFile::Write; -2 for a null or empty text.
  //   Write("hello", 3) writes "hel"; Write("hello", 0) and Write("hello", 99) write "hello".
  unsigned int Write(char const* text, unsigned int count) override;
  // The whole file as one string (up to its first zero byte), the position left unchanged. Empty for
  // an empty or closed file.
  CQVOString GetContent();
};

#endif  // QVOBASE_QVOFILE_H
