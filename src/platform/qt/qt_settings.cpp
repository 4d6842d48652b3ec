#include "platform/qt/qt_settings.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QMap>
#include <QStandardPaths>

namespace {

// Names are bytes: one Latin-1 character per byte gives every byte back unchanged.
QString Name(QByteArrayView bytes) { return QString::fromLatin1(bytes); }
QString Name(std::string_view text) { return Name(QByteArrayView(text.data(), static_cast<qsizetype>(text.size()))); }

QString ToQ(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

QByteArray ValueForFile(std::string_view text) {
  const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
  const bool bare = !bytes.contains('\n') && !bytes.contains('\r') && !bytes.startsWith('"') && bytes == bytes.trimmed();
  if (bare) return bytes;
  QByteArray out = "\"";
  for (char c : bytes) {
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

std::string ValueFromFile(const QByteArray& raw) {
  if (raw.size() < 2 || !raw.startsWith('"') || !raw.endsWith('"')) return raw.toStdString();
  std::string out;
  for (qsizetype i = 1; i + 1 < raw.size(); ++i) {
    char c = raw[i];
    if (c == '\\' && i + 2 < raw.size()) {
      c = raw[++i];
      c = c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    out += c;
  }
  return out;
}

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
      if (inSection) section = Name(line.mid(1, line.size() - 2).trimmed());
      continue;
    }
    if (!inSection) continue;
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0) continue;
    const QString key = Name(line.left(equals).trimmed());
    // A key is one name within its section: an empty one, or one with the path separator in
    // it, could not be written back as the same key.
    if (key.isEmpty() || key.contains('/')) continue;
    const bool general = section.isEmpty() || section == QLatin1String("General");
    map.insert(general ? key : section + '/' + key, line.mid(equals + 1).trimmed());
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
    sections[section] += it.key().mid(slash + 1).toLatin1() + '=' + it.value().toByteArray() + '\n';
  }
  QByteArray out;
  for (auto it = sections.cbegin(); it != sections.cend(); ++it) {
    if (!out.isEmpty()) out += '\n';
    out += '[' + it.key().toLatin1() + "]\n" + it.value();
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

// Only a plain file is ever opened: opening a FIFO in its place would wait for a writer for ever.
std::string QtSettings::unreadable(std::string_view app, std::string_view /*one file holds every section*/) {
  const QString path = filePath(app);
  const QFileInfo info(path);
  if (!info.exists()) return {};
  if (!info.isFile()) return path.toStdString() + ": not a regular file";
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return path.toStdString() + ": " + file.errorString().toStdString();
  return {};
}

std::string QtSettings::read(std::string_view app, std::string_view section, std::string_view key,
                             std::string_view fallback) {
  // Something other than a file in its place counts as a store that cannot be read.
  const QFileInfo info(filePath(app));
  if (info.exists() && !info.isFile()) return std::string(fallback);
  const QVariant value = QSettings(filePath(app), VerbatimIniFormat()).value(Name(section) + '/' + Name(key));
  return value.isValid() ? ValueFromFile(value.toByteArray()) : std::string(fallback);
}

bool QtSettings::write(std::string_view app, std::string_view section, std::string_view key, std::string_view value) {
  auto it = pending_.find(app);
  if (it == pending_.end()) it = pending_.emplace(std::string(app), QSettings::SettingsMap()).first;
  it->second.insert(Name(section) + '/' + Name(key), ValueForFile(value));
  return true;
}

// QSettings writes through a temporary file renamed into place, under a lock file, so the
// store holds either every write or none of them. Each save has a QSettings of its own: one
// keeps the first error it met for as long as it lives, and would call every later save a
// failure too.
bool QtSettings::sync() {
  bool ok = true;
  for (const auto& [app, values] : pending_) {
    // QSettings reads the file before it writes one in its place: something other than a file
    // there (a FIFO would hold the read up for ever) is a store the save cannot use.
    const QFileInfo info(filePath(app));
    if (info.exists() && !info.isFile()) {
      ok = false;
      continue;
    }
    QSettings settings(filePath(app), VerbatimIniFormat());
    for (auto it = values.cbegin(); it != values.cend(); ++it) settings.setValue(it.key(), it.value());
    settings.sync();
    ok = settings.status() == QSettings::NoError && ok;
  }
  pending_.clear();
  return ok;
}
