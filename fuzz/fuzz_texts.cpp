// The texts the client cuts up or writes itself: the upload split (sequence source and
// cross-reference lists), CSV and the journal's lines. Each must take any input, and what
// it writes must read back as it was.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/upload_split.h"
#include "records/csv.h"
#include "records/journal.h"
#include "sequence/seq_protocol.h"
#include "xref/xref_protocol.h"

using namespace tarvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // Upload: the lines sent, joined again, are the text without its LFs, CR for CR.
  const link::UploadLines split = link::splitForUpload(text);
  std::string joined;
  for (const auto& line : split.ended) joined.append(line.text).push_back('\r');
  joined.append(split.pending);
  std::string withoutLf;
  for (char c : text)
    if (c != '\n') withoutLf.push_back(c);
  if (joined != withoutLf) __builtin_trap();
  const auto save = sequence::saveCommands("C:S", text);
  if (save.commands.size() != save.progress.size() || save.length != text.size()) __builtin_trap();
  (void)xref::cfgUploadCommands("C", text);

  // CSV: the fields of whatever parses are written and read back unchanged, and no field
  // written starts a spreadsheet formula.
  const records::CsvParse parsed = records::parseCsv(text);
  std::string written;
  for (const auto& record : parsed.records) written += records::csvRecord(record.fields);
  const records::CsvParse again = records::parseCsv(written);
  if (again.error || again.records.size() != parsed.records.size()) __builtin_trap();
  for (std::size_t i = 0; i < parsed.records.size(); ++i) {
    const auto& cells = again.records[i].fields;
    if (cells.size() != parsed.records[i].fields.size()) __builtin_trap();
    for (std::size_t f = 0; f < cells.size(); ++f) {
      if (records::csvValue(cells[f]) != parsed.records[i].fields[f]) __builtin_trap();
      if (!cells[f].empty() &&
          std::string_view("=@\t\r").find(cells[f][0]) != std::string_view::npos)
        __builtin_trap();
    }
  }
  // The whole input as one value, whatever its bytes.
  const records::CsvParse one = records::parseCsv(records::csvRecord({std::string(text), "x"}));
  if (one.error || one.records.size() != 1 || one.records[0].fields.size() != 2 ||
      records::csvValue(one.records[0].fields[0]) != text)
    __builtin_trap();

  // Journal: any line is read or refused; one that is read is written back readable.
  if (auto event = records::parseJournalLine(text)) {
    const std::string line = records::formatJournalLine(*event);
    if (!records::parseJournalLine(line)) __builtin_trap();
  }
  std::vector<records::JournalEvent> events;
  (void)records::parseJournalText(text, events);
  return 0;
}
