#pragma once
// The settings store on Linux: $XDG_CONFIG_HOME/<app>/<app>.ini through QSettings.
#include <QSettings>
#include <map>
#include <memory>
#include <string>

#include "platform/settings.h"

class QtSettings final : public Settings {
 public:
  std::string read(std::string_view app, std::string_view section, std::string_view key,
                   std::string_view fallback) override;
  bool write(std::string_view app, std::string_view section, std::string_view key, std::string_view value) override;
  bool sync() override;

  static QString filePath(std::string_view app);

 private:
  QSettings& store(std::string_view app);
  std::map<std::string, std::unique_ptr<QSettings>, std::less<>> stores_;
};

// An INI format whose values read back exactly as they stand in the file. Qt's own INI format
// reads an unquoted value with commas, such as a mode text written by hand, as a list.
QSettings::Format VerbatimIniFormat();
// That format's two halves: reading passes over what it does not understand; what writing
// writes reads back the same.
bool ReadVerbatimIni(QIODevice& device, QSettings::SettingsMap& map);
bool WriteVerbatimIni(QIODevice& device, const QSettings::SettingsMap& map);
