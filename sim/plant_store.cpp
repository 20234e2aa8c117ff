#include "plant_store.h"

#include <QFile>
#include <QSaveFile>

#include "plant_file.h"

namespace tarvo::sim {

PlantLoad loadPlantFile(const QString& path) {
  PlantLoad result;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    result.error = path + QStringLiteral(": ") + file.errorString();
    return result;
  }
  const QByteArray bytes = file.readAll();
  PlantReadResult read =
      readPlantText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (!read.plant) {
    result.error = path + QStringLiteral(":");
    if (read.errorLine > 0) result.error += QString::number(read.errorLine) + QStringLiteral(":");
    result.error +=
        QStringLiteral(" ") +
        QString::fromLatin1(read.error.data(), static_cast<qsizetype>(read.error.size()));
    return result;
  }
  result.plant = std::move(read.plant);
  return result;
}

QString savePlantFile(const QString& path, const Plant& plant) {
  const std::string text = writePlantText(plant);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
    return file.errorString();
  if (!file.commit()) return file.errorString();
  return {};
}

}  // namespace tarvo::sim
