#include "platform/qt/qt_settings.h"

#include <QDir>
#include <QIODevice>
#include <QMap>
#include <QStandardPaths>
#include <QStringDecoder>

namespace {

// Quoted only where the bare text would not read back the same.
QByteArray Quote(const QString& value) {
  const QByteArray text = value.toUtf8();
  const bool bare = !text.contains('\n') && !text.contains('\r') && !text.startsWith('"') && text == text.trimmed();
  if (bare) return text;
  QByteArray out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out + '"';
}

// Text from the file. QString::fromUtf8 drops a byte order mark at the start of what it is
// given; where one stands at the start of a key or value inside the file it is that text's
// own, and writing it back must give the same text again.
QString Decode(const QByteArray& bytes) {
  QStringDecoder decoder(QStringConverter::Utf8,
                         QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
  return decoder(bytes);
}

QString Unquote(const QByteArray& raw) {
  if (raw.size() < 2 || !raw.startsWith('"') || !raw.endsWith('"')) return Decode(raw);
  QByteArray out;
  for (qsizetype i = 1; i + 1 < raw.size(); ++i) {
    char c = raw[i];
    if (c == '\\' && i + 2 < raw.size()) {
      c = raw[++i];
      c = c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    out += c;
  }
  return Decode(out);
}

QString ToQ(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

// Reads every line it understands and passes over the rest, so a damaged file still yields
// what it holds. Editors may start the file with a UTF-8 byte order mark and end lines with
// CRLF; neither is part of the text.
bool ReadVerbatimIni(QIODevice& device, QSettings::SettingsMap& map) {
  QByteArray text = device.readAll();
  if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
  QString section;
  bool inSection = true;  // false under a group line that could not be read
  for (const QByteArray& rawLine : text.split('\n')) {
    const QByteArray line = rawLine.trimmed();
    if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
    if (line.startsWith('[')) {
      // The keys under a group line that is not understood belong to no group we know: they
      // must not be taken for the previous group's.
      inSection = line.endsWith(']');
      if (inSection) section = Decode(line.mid(1, line.size() - 2).trimmed());
      continue;
    }
    if (!inSection) continue;
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0) continue;
    const QString key = Decode(line.left(equals).trimmed());
    // A key is one name within its section: an empty one, or one with the path separator in
    // it, could not be written back as the same key.
    if (key.isEmpty() || key.contains('/')) continue;
    const bool general = section.isEmpty() || section == QLatin1String("General");
    map.insert(general ? key : section + '/' + key, Unquote(line.mid(equals + 1).trimmed()));
  }
  return true;
}

// One group line per group, each key below its own group. Keys of no named group go under
// "[General]", which reads back as no group: a bare key above the first group line would
// be a stray line to anyone editing the file.
bool WriteVerbatimIni(QIODevice& device, const QSettings::SettingsMap& map) {
  QMap<QString, QByteArray> sections;  // section -> its lines
  for (auto it = map.cbegin(); it != map.cend(); ++it) {
    const qsizetype slash = it.key().lastIndexOf('/');
    const QString section = slash < 0 ? QStringLiteral("General") : it.key().left(slash);
    sections[section] += it.key().mid(slash + 1).toUtf8() + '=' + Quote(it.value().toString()) + '\n';
  }
  QByteArray out;
  for (auto it = sections.cbegin(); it != sections.cend(); ++it) {
    if (!out.isEmpty()) out += '\n';
    out += '[' + it.key().toUtf8() + "]\n" + it.value();
  }
  return device.write(out) == out.size();
}

QSettings::Format VerbatimIniFormat() {
  static const QSettings::Format format = QSettings::registerFormat("ini", ReadVerbatimIni, WriteVerbatimIni);
  return format;
}

QString QtSettings::filePath(std::string_view app) {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return base + '/' + ToQ(app) + '/' + ToQ(app) + ".ini";
}

QSettings& QtSettings::store(std::string_view app) {
  auto it = stores_.find(app);
  if (it == stores_.end()) {
    it = stores_.emplace(std::string(app), std::make_unique<QSettings>(filePath(app), VerbatimIniFormat())).first;
  }
  return *it->second;
}

std::string QtSettings::read(std::string_view app, std::string_view section, std::string_view key,
                             std::string_view fallback) {
  const QVariant value = store(app).value(ToQ(section) + '/' + ToQ(key));
  return value.isValid() ? value.toString().toStdString() : std::string(fallback);
}

bool QtSettings::write(std::string_view app, std::string_view section, std::string_view key, std::string_view value) {
  store(app).setValue(ToQ(section) + '/' + ToQ(key), ToQ(value));
  return true;
}

// QSettings writes through a temporary file renamed into place, under a lock file, so the
// store holds either every write or none of them.
bool QtSettings::sync() {
  bool ok = true;
  for (auto& [app, settings] : stores_) {
    settings->sync();
    ok = ok && settings->status() == QSettings::NoError;
  }
  return ok;
}
