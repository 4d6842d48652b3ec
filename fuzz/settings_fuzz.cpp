// Arbitrary bytes as the settings file, read the way the program reads it, then the presets
// loaded from it at start-up. An OK over it writes the program's four values, which read back
// as they were, and everything else back byte for byte as it stood in the file.
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
    const QString path = QString::fromLatin1(section.data(), static_cast<qsizetype>(section.size())) + '/' +
                         QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()));
    const auto it = map_.constFind(path);
    return it == map_.cend() ? std::string(fallback) : ValueFromFile(it->toByteArray());
  }
  bool write(std::string_view, std::string_view, std::string_view, std::string_view) override { std::abort(); }
  bool sync() override { std::abort(); }  // start-up never writes
  std::string unreadable(std::string_view, std::string_view) override { return {}; }

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
  const QByteArray file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QSettings::SettingsMap map = Read(file);
  // Each value is bytes of the file, taken as they stand there.
  for (const QVariant& value : map) {
    if (value.typeId() != QMetaType::QByteArray || !file.contains(value.toByteArray())) std::abort();
  }

  // OK: the four presets, any bytes at all (here quarters of the file), over what was read.
  QSettings::SettingsMap saved = map;
  std::string presets[4];
  for (int n = 0; n < 4; ++n) {
    presets[n] = file.mid(n * file.size() / 4, file.size() / 4).toStdString();
    saved.insert(QStringLiteral("Settings/d%1").arg(n + 1), ValueForFile(presets[n]));
  }
  QByteArray written;
  QBuffer out(&written);
  out.open(QIODevice::WriteOnly);
  WriteVerbatimIni(out, saved);
  const QSettings::SettingsMap next = Read(written);
  if (next != saved) std::abort();  // byte for byte, the program's own values as much as the rest
  for (int n = 0; n < 4; ++n) {
    if (ValueFromFile(next.value(QStringLiteral("Settings/d%1").arg(n + 1)).toByteArray()) != presets[n]) std::abort();
  }
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
