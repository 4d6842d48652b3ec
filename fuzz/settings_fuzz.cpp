// Arbitrary bytes as the settings file, read the way the program reads it, then the presets
// loaded from it at start-up. What the program would write back must read back the same.
#include <QBuffer>
#include <QSet>
#include <cstdlib>

#include "platform/qt/qt_settings.h"
#include "platform/sim/sim_display.h"
#include "platform/sim/sim_platform.h"
#include "window/form1.h"

namespace {

// The store as the file yielded it.
class MapSettings final : public Settings {
 public:
  explicit MapSettings(const QSettings::SettingsMap& map) : map_(map) {}
  std::string read(std::string_view, std::string_view section, std::string_view key,
                   std::string_view fallback) override {
    const QString path = QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + '/' +
                         QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
    const auto it = map_.constFind(path);
    return it == map_.cend() ? std::string(fallback) : it->toString().toStdString();
  }
  bool write(std::string_view, std::string_view, std::string_view, std::string_view) override { std::abort(); }
  bool sync() override { std::abort(); }  // start-up never writes

 private:
  const QSettings::SettingsMap& map_;
};

QSettings::SettingsMap Read(QByteArray bytes) {
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QSettings::SettingsMap map;
  ReadVerbatimIni(buffer, map);
  return map;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QSettings::SettingsMap map =
      Read(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));

  QByteArray written;
  QBuffer out(&written);
  out.open(QIODevice::WriteOnly);
  WriteVerbatimIni(out, map);
  if (Read(written) != map) std::abort();
  // Each group once, and no key above the first group line.
  QSet<QByteArray> groups;
  bool grouped = false;
  for (const QByteArray& line : written.split('\n')) {
    if (line.startsWith('[')) {
      if (groups.contains(line)) std::abort();
      groups.insert(line);
      grouped = true;
    } else if (!line.isEmpty() && !grouped) {
      std::abort();
    }
  }

  SimDisplay display({{640, 480, 32, 60}, {800, 600, 32, 60}, {1024, 768, 32, 60}, {1024, 768, 8, 60}});
  display.setCurrent({1024, 768, 32, 60});
  MapSettings settings(map);
  SimShell shell;
  SimToolkit toolkit;
  Form1 form(Platform{display, settings, shell, toolkit});
  form.Form_Load();
  // Every preset is empty and hidden, or names an offered mode.
  for (const MenuEntry* entry : {&form.mnuMain1, &form.mnuMain2, &form.mnuMain3, &form.mnuMain4}) {
    if (entry->caption().empty() ? entry->visible() : form.FindModeByText(entry->caption()) == -1) std::abort();
  }
  return 0;
}
