#include "ctl/CtlCommandLine.h"

#include <QCommandLineParser>

namespace tarvo::ctl {

ParsedArgs parseCommandLine(const QStringList& arguments) {
  auto text = [](std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
  };
  QCommandLineParser parser;
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
  const QCommandLineOption version(QStringLiteral("version"), QString());
  parser.addOptions({help, version});
  for (const OptionHelp& o : optionList())
    parser.addOption(QCommandLineOption(text(o.name), text(o.description), text(o.value)));

  ParsedArgs parsed;
  // Help and version win over any mistake, wherever they stand.
  const bool read = parser.parse(arguments);
  parsed.help = parser.isSet(help);
  parsed.version = !parsed.help && parser.isSet(version);
  if (parsed.help || parsed.version) return parsed;
  if (!read) {
    parsed.error = parser.errorText().toStdString();
    return parsed;
  }
  Options options;
  for (const OptionHelp& o : optionList()) {
    if (!parser.isSet(text(o.name))) continue;
    const std::string value = o.value.empty() ? "" : parser.value(text(o.name)).toStdString();
    if (std::string problem = applyOption(options, o.name, value); !problem.empty()) {
      parsed.error = std::move(problem);
      return parsed;
    }
  }
  std::vector<std::string> words;
  for (const QString& w : parser.positionalArguments()) words.push_back(w.toStdString());
  return commandFromWords(std::move(options), words);
}

}  // namespace tarvo::ctl
