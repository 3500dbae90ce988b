// Command-line options: CQVOOptions parses /NAME and /NAME:value arguments.
#ifndef QVOBASE_QVOOPTIONS_H
#define QVOBASE_QVOOPTIONS_H

#include <memory>

#include "QVOExport.h"
#include "QVOString.h"

// CQVOOptions: parses a command line in the slash style. Every argument is an option /NAME or
// /NAME:value; names match without regard to case; each option is either a switch or requires a value.
// Declare the options, call ParseArguments(argc, argv), then ask which were given and with what value.
//
//   char const* names[] = {"quiet", "out-file"};
//   char const withValue[] = {0, 1};
//   CQVOOptions options(2, names, withValue);
//   if (!options.ParseArguments(argc, argv)) return 2;   // message and usage line on stderr
//   if (options.IsSet("quiet")) ...;                      // a given switch holds the value "SET"
//   CQVOString out = options.GetValue("out-file");        // the text after "/OUT_FILE:", trimmed
//
// Names are stored as "/" + name in upper case with every '-' turned into '_': out-file is stored as
// /OUT_FILE, and matches the arguments /out_file:x and /OUT_FILE:x but not /out-file:x. An option
// counts as set when its value is not empty.
//
// Errors of ParseArguments go to the C runtime's standard error stream (stderr), each followed by the
// usage line "usage: <program> /QUIET /OUT_FILE <value> " and a line end.
//
// Copies own their arrays: a copy has its own declarations and values. Thread safety: none; an object
// is used by one thread at a time, or read by several once parsing is over.
class QVO_API CQVOOptions {
 public:
  // No options; room for 500.
  CQVOOptions();
  // Room for 500 options, then AddOption(names[i], withValue[i] != 0) for i below `count`
  // (`withValue` holds one flag byte per name). Declarations beyond the room are dropped without
  // notice. A null `names` declares nothing; a null `withValue` declares every option a switch.
  CQVOOptions(unsigned short count, char const** names, char const* withValue);
  CQVOOptions(CQVOOptions const& other);
  CQVOOptions& operator=(CQVOOptions const& other);
  virtual ~CQVOOptions();

  // Discards every declared option and value and makes room for `max` options (only the low 16 bits
  // of `max` count).
  void SetMaxOptions(unsigned int max);

  // Appends an option with an empty value: a switch, or one that requires a value when `withValue`
  // is true. Returns false, declaring nothing, when the room is full. A null `name` declares the
  // name "/".
  bool AddOption(char const* name, bool withValue);

  // Parses argv[1] to argv[argc - 1] in order; true when every argument was accepted, and at once
  // when argc is below 2. Each argument is matched to the first declared option whose stored name N it
  // starts with (compared in upper case) and that is followed by the end or ':'. A switch gets the
  // value "SET" (text after ':' is ignored); an option with value gets the text after ':', trimmed of
  // blanks, control characters and bytes 0x80 to 0xFF at both ends.
  // Stops at the first bad argument, writes one of these to stderr followed by the usage line, and
  // returns false (values stored before it stay stored):
  //   "Unknown option <argument>."           no declared option matches;
  //   "Value set twice for option <arg>."    the option already has a value (from an earlier argument,
  //                                          an earlier call or SetValue);
  //   "Missing value for option <arg>."      an option with value got no text after trimming.
  // A null argument counts as an empty (unknown) argument and a null argv[0] as an empty program
  // name; a null `argv` with argc of 2 or more is refused: false, nothing written.
  bool ParseArguments(int argc, char** argv);

  // True when `index` names a declared option whose value is not empty.
  bool IsSet(unsigned short index) const;
  // True when GetValue(name) is not empty.
  bool IsSet(CQVOString const& name) const;

  // The value of the option at `index`; an empty string for an index beyond the declared options.
  CQVOString const& GetValue(unsigned short index) const;
  // The value of the first declared option whose stored name equals the stored form of `name` (out
  // and OUT both find the option declared as out; out-file finds out_file); else an empty string.
  CQVOString const& GetValue(CQVOString const& name) const;

  // Sets the value of the option at `index`; an index beyond the declared options is ignored.
  void SetValue(unsigned short index, CQVOString const& value);

 private:
  // "/" + name, in upper case, with every '-' replaced by '_'.
  static CQVOString CreatePlatformOptionName(CQVOString const& name);
  // Writes the usage line to stderr.
  void Usage(char const* program);
  // Index of the first option whose stored name matches `argument`, or m_nbOptions.
  unsigned short FindMatch(char const* argument) const;

  unsigned short m_nbOptions;
  unsigned short m_nbMaxOptions;
  std::unique_ptr<bool[]> m_pbWithValue;
  std::unique_ptr<CQVOString[]> m_pstrNames;
  std::unique_ptr<CQVOString[]> m_pstrValues;
};

#endif  // QVOBASE_QVOOPTIONS_H
