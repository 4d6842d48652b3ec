#pragma once
// The settings store on Linux: $XDG_CONFIG_HOME/<app>/<app>.ini through QSettings.
#include <QSettings>
#include <map>
#include <string>

#include "platform/settings.h"

class QtSettings final : public Settings {
 public:
  std::string read(std::string_view app, std::string_view section, std::string_view key,
                   std::string_view fallback) override;
  bool write(std::string_view app, std::string_view section, std::string_view key, std::string_view value) override;
  bool sync() override;
  std::string unreadable(std::string_view app, std::string_view section) override;

  static QString filePath(std::string_view app);

 private:
  // The writes since the last sync, by application, as they will stand in the file.
  std::map<std::string, QSettings::SettingsMap, std::less<>> pending_;
};

// An INI format that keeps the file's bytes. In its map a group or key name holds one
// character per byte of the file (Latin-1), and a value holds the bytes after "=" exactly as
// they stand there, quotes and backslashes included: what the program does not own is
// written back byte for byte, whatever its encoding. Qt's own INI format cannot give back
// what another program or an editor put there: it reads an unquoted value with commas as a
// list, backslashes as escapes, and the text as UTF-8.
QSettings::Format VerbatimIniFormat();
// That format's two halves: reading passes over what it does not understand (comments are
// not kept); what writing writes reads back the same.
bool ReadVerbatimIni(QIODevice& device, QSettings::SettingsMap& map);
bool WriteVerbatimIni(QIODevice& device, const QSettings::SettingsMap& map);
// A value as the format holds it: the text the program reads from it, and the form in which
// the program's own text is written (quoted only where the bare text would not read back).
std::string ValueFromFile(const QByteArray& raw);
QByteArray ValueForFile(std::string_view text);
