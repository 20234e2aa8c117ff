#include "sim/plant_store.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <vector>

#include "sim/plant_file.h"

namespace tarvo::sim {

namespace {

QString latin1(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

PlantLoad loadPlantFile(const QString& path, qint64 maxBytes) {
  PlantLoad result;
  auto fail = [&](qint64 line, const QString& why) {
    result.error = path + QStringLiteral(":");
    if (line > 0) result.error += QString::number(line) + QStringLiteral(":");
    result.error += QStringLiteral(" ") + why;
    return result;
  };
  // A FIFO would block the start, a device never end; neither is a plant.
  const QFileInfo info(path);
  if (!info.exists()) return fail(0, QStringLiteral("no such file"));
  if (!info.isFile()) return fail(0, QStringLiteral("not a regular file"));
  if (info.size() > maxBytes)
    return fail(0, QStringLiteral("larger than ") + QString::number(maxBytes) +
                       QStringLiteral(" bytes, too large for a plant file"));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return fail(0, file.errorString());

  PlantReader reader;
  std::vector<char> buffer(static_cast<std::size_t>(kMaxPlantLineBytes) + 2);
  qint64 total = 0;
  qint64 lineNo = 0;
  for (;;) {
    const qint64 n = file.readLine(buffer.data(), static_cast<qint64>(buffer.size()));
    if (n < 0) {
      if (file.atEnd()) break;
      return fail(0, file.errorString());
    }
    if (n == 0) break;
    ++lineNo;
    total += n;
    // The size was checked; a file that grows while it is read is cut short.
    if (total > maxBytes)
      return fail(lineNo, QStringLiteral("the file grew past ") + QString::number(maxBytes) +
                              QStringLiteral(" bytes while it was read"));
    std::string_view line(buffer.data(), static_cast<std::size_t>(n));
    if (line.back() == '\n') {
      line.remove_suffix(1);
    } else if (line.size() > static_cast<std::size_t>(kMaxPlantLineBytes)) {
      return fail(lineNo, QStringLiteral("the line is longer than ") +
                              QString::number(kMaxPlantLineBytes) + QStringLiteral(" bytes"));
    }
    if (!reader.addLine(line)) break;
  }
  PlantReadResult read = reader.finish();
  if (!read.plant) return fail(static_cast<qint64>(read.errorLine), latin1(read.error));
  result.plant = std::move(read.plant);
  return result;
}

QString savePlantFile(const QString& path, const Plant& plant, qint64 maxBytes) {
  const std::string text = writePlantText(plant);
  if (static_cast<qint64>(text.size()) > maxBytes)
    return QStringLiteral("the plant file would take ") + QString::number(text.size()) +
           QStringLiteral(" bytes, more than the ") + QString::number(maxBytes) +
           QStringLiteral(" a start reads; the file was left as it was");
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    if (static_cast<qint64>(end - start) > kMaxPlantLineBytes)
      return QStringLiteral("a line of the plant file would be longer than ") +
             QString::number(kMaxPlantLineBytes) +
             QStringLiteral(" bytes, which a start refuses; the file was left as it was");
    start = end + 1;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
    return file.errorString();
  if (!file.commit()) return file.errorString();
  return {};
}

}  // namespace tarvo::sim
