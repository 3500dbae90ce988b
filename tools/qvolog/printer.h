// Printing the items of a log: records as they stand or as JSON, marks for file starts and crash
// endings, loose text when no filter is given.
#ifndef QVOBASE_TOOLS_QVOLOG_PRINTER_H
#define QVOBASE_TOOLS_QVOLOG_PRINTER_H

#include <string>

#include "log_record.h"
#include "options.h"

namespace qvotools {

class ItemPrinter {
 public:
  explicit ItemPrinter(LogOptions const& options);
  // Prints `item` of the file `file` if the options let it through.
  void print(Item const& item, std::string const& file);
  void flush();
  // Records printed so far.
  long long records() const { return m_records; }

 private:
  LogOptions const& m_options;
  bool m_filtered;
  long long m_records = 0;
};

// Whether any filter option was given.
bool filtering(RecordFilter const& filter);

}  // namespace qvotools

#endif  // QVOBASE_TOOLS_QVOLOG_PRINTER_H
