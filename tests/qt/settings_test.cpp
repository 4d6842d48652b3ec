// The presets file on Linux: $XDG_CONFIG_HOME/Tarnvel/Tarnvel.ini through QSettings.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "platform/qt/qt_settings.h"

namespace {

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home.isValid());
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QDir(home.path()).mkpath("Tarnvel");
  }
  QString path() const { return home.path() + "/Tarnvel/Tarnvel.ini"; }
  void put(const QByteArray& text) {
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  QByteArray contents() const {
    QFile file(path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  std::string read(const char* key) { return QtSettings().read("Tarnvel", "Settings", key, "<default>"); }

  QTemporaryDir home;
};

}  // namespace

TEST_F(SettingsFile, LivesInTheUsersConfigFolder) { EXPECT_EQ(QtSettings::filePath("Tarnvel"), path()); }

TEST_F(SettingsFile, HandWrittenValuesReadBackAsWritten) {
  put("[Settings]\nd1=800 x 600, 32bit color, 60 Hz\nd2=a,b ,  c\nd3=\"1024 x 768, 32bit color, 60 Hz\"\nd4=\n");
  EXPECT_EQ(read("d1"), "800 x 600, 32bit color, 60 Hz");
  EXPECT_EQ(read("d2"), "a,b ,  c");
  EXPECT_EQ(read("d3"), "1024 x 768, 32bit color, 60 Hz");
  EXPECT_EQ(read("d4"), "");
  EXPECT_EQ(read("d5"), "<default>");
}

TEST_F(SettingsFile, SavedValuesReadBackUnchanged) {
  const std::string values[] = {"800 x 600, 32bit color, 60 Hz", "  padded  ", "\"quoted\" \\ back\\slash",
                                "two\nlines\r\n", "Größe × 60 Hz"};
  {
    QtSettings settings;
    for (size_t i = 0; i < std::size(values); ++i)
      settings.write("Tarnvel", "Settings", "k" + std::to_string(i), values[i]);
    EXPECT_TRUE(settings.sync());
  }
  EXPECT_TRUE(contents().startsWith("[Settings]\nk0=800 x 600, 32bit color, 60 Hz\n")) << contents().toStdString();
  for (size_t i = 0; i < std::size(values); ++i) EXPECT_EQ(read(("k" + std::to_string(i)).c_str()), values[i]);
}

TEST_F(SettingsFile, DamagedFileIsReadAsFarAsItGoesAndNotRewritten) {
  static const char kGarbage[] =
      "\xff\xfe[Set\x00tings\n=\n[Settings]\nnonsense\nd2=640 x 480, 32bit color, 60 Hz\n\x01\x02";
  const QByteArray garbage(kGarbage, sizeof kGarbage - 1);
  put(garbage);
  EXPECT_EQ(read("d2"), "640 x 480, 32bit color, 60 Hz");
  EXPECT_EQ(read("d1"), "<default>");
  EXPECT_EQ(contents(), garbage);
}

TEST_F(SettingsFile, FailedSaveIsReportedAndLeavesNoFile) {
  QDir(home.path()).rmdir("Tarnvel");
  QFile blocker(home.path() + "/Tarnvel");  // a file where the folder should be
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QtSettings settings;
  settings.write("Tarnvel", "Settings", "d1", "800 x 600, 32bit color, 60 Hz");
  EXPECT_FALSE(settings.sync());
  EXPECT_TRUE(QFileInfo(home.path() + "/Tarnvel").isFile());
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
