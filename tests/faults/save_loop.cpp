// Saves the four presets over and over through the program's own settings store, each round
// with its number in all four values, until it is killed.
#include <QCoreApplication>

#include "platform/qt/qt_settings.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QtSettings settings;
  for (long round = 1;; ++round) {
    const std::string value = "round " + std::to_string(round) + ", 32bit color, 60 Hz";
    for (const char* key : {"d1", "d2", "d3", "d4"}) settings.write("Tarnvel", "Settings", key, value);
    if (!settings.sync()) return 1;
  }
}
