// The presets file on Linux: $XDG_CONFIG_HOME/Tarnvel/Tarnvel.ini through QSettings.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

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
  // The file as the next start reads it. QSettings in this process answers from what it
  // wrote itself and would not show a file that reads back differently.
  QMap<QString, std::string> nextStart() const {
    QByteArray text = contents();
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    QSettings::SettingsMap map;
    ReadVerbatimIni(buffer, map);
    QMap<QString, std::string> values;
    for (auto it = map.cbegin(); it != map.cend(); ++it) values.insert(it.key(), ValueFromFile(it.value().toByteArray()));
    return values;
  }

  QTemporaryDir home;
};

}  // namespace

TEST_F(SettingsFile, LivesInTheUsersConfigFolder) { EXPECT_EQ(QtSettings::filePath("Tarnvel"), path()); }

TEST_F(SettingsFile, HandWrittenValuesReadBackAsWritten) {
  put("[Settings]\nd1=800 x 600, 32bit color, 60 Hz\nd2=a,b ,  c\nd3=\"1024 x 768, 32bit color, 60 Hz\"\nd4=\nd6=\"\"\n");
  EXPECT_EQ(read("d1"), "800 x 600, 32bit color, 60 Hz");
  EXPECT_EQ(read("d2"), "a,b ,  c");
  EXPECT_EQ(read("d3"), "1024 x 768, 32bit color, 60 Hz");
  EXPECT_EQ(read("d4"), "");
  EXPECT_EQ(read("d5"), "<default>");
  EXPECT_EQ(read("d6"), "");
}

// Read back in this process and as the next start reads the file: the first answers from
// QSettings' own copy of what was written, and only the second sees what the file holds.
TEST_F(SettingsFile, SavedValuesReadBackUnchanged) {
  const std::string values[] = {"800 x 600, 32bit color, 60 Hz", "  padded  ", "\"quoted\" \\ back\\slash",
                                "\"in quotes\"", "two\nlines\r\n", "Größe × 60 Hz"};
  {
    QtSettings settings;
    for (size_t i = 0; i < std::size(values); ++i)
      settings.write("Tarnvel", "Settings", "k" + std::to_string(i), values[i]);
    EXPECT_TRUE(settings.sync());
  }
  EXPECT_TRUE(contents().startsWith("[Settings]\nk0=800 x 600, 32bit color, 60 Hz\n")) << contents().toStdString();
  const auto next = nextStart();
  for (size_t i = 0; i < std::size(values); ++i) {
    const std::string key = "k" + std::to_string(i);
    EXPECT_EQ(read(key.c_str()), values[i]);
    EXPECT_EQ(next.value(QString::fromStdString("Settings/" + key)), values[i]) << contents().toStdString();
  }
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

// Each save reports its own outcome: once the folder can be written, the next save, by the
// same store, succeeds and says so.
// A store that is there but cannot be read is said so (tarnvelctl stops at it), and something
// other than a file in its place is never opened: a FIFO would hold the open up for ever.
TEST_F(SettingsFile, OneThatCannotBeReadIsSaidSoAndNeverWaitedFor) {
  QtSettings settings;
  EXPECT_EQ(settings.unreadable("Tarnvel", "Settings"), "") << "no file at all is an empty store";
  put("[Settings]\nd1=800 x 600, 32bit color, 60 Hz\n");
  EXPECT_EQ(settings.unreadable("Tarnvel", "Settings"), "");
  ASSERT_TRUE(QFile::remove(path()));
  ASSERT_EQ(mkfifo(path().toUtf8().constData(), 0600), 0);
  EXPECT_EQ(settings.unreadable("Tarnvel", "Settings"), path().toStdString() + ": not a regular file");
  EXPECT_EQ(read("d1"), "<default>");
  settings.write("Tarnvel", "Settings", "d1", "800 x 600, 32bit color, 60 Hz");
  EXPECT_FALSE(settings.sync()) << "a save over a FIFO is a failed save, not a wait";
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

  ASSERT_TRUE(blocker.remove());
  settings.write("Tarnvel", "Settings", "d1", "640 x 480, 32bit color, 60 Hz");
  EXPECT_TRUE(settings.sync());
  EXPECT_EQ(read("d1"), "640 x 480, 32bit color, 60 Hz");
}

namespace {

// A disk that fills up: it takes the first bytes of a write and reports only those as
// written, without an error.
class FullDisk final : public QIODevice {
 public:
  FullDisk(QIODevice& file, qint64 room) : file_(file), room_(room) {
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
  }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override {
    const qint64 written = file_.write(data, std::min(size, room_));
    room_ -= std::max<qint64>(written, 0);
    return written;
  }

 private:
  QIODevice& file_;
  qint64 room_;
};

// The file's own format, written through a disk with room for 16 bytes.
QSettings::Format FormatOnAFullDisk() {
  static const QSettings::Format format =
      QSettings::registerFormat("ini", ReadVerbatimIni, [](QIODevice& file, const QSettings::SettingsMap& map) {
        FullDisk disk(file, 16);
        return WriteVerbatimIni(disk, map);
      });
  return format;
}

}  // namespace

// A save cut short by a full disk fails as a whole: the cut file would lose the presets
// after its first bytes and every other group.
TEST_F(SettingsFile, SaveCutShortIsReportedAndLeavesTheOldFileWhole) {
  put("[Settings]\nd1=800 x 600, 32bit color, 60 Hz\n[Window]\nleft=120\n");
  const QByteArray before = contents();
  QSettings settings(path(), FormatOnAFullDisk());
  settings.setValue("Settings/d1", ValueForFile("640 x 480, 32bit color, 60 Hz"));
  settings.sync();
  EXPECT_EQ(settings.status(), QSettings::AccessError);
  EXPECT_EQ(contents().toStdString(), before.toStdString());
}

// Files as users' editors leave them: a byte order mark, CRLF line ends, both, and the
// presets' group after another one. What loads is what the file says, and the next OK
// rewrites the presets in their one group and keeps everything else that was read.
struct EditedFile {
  const char* name;
  QByteArray text;
};
void PrintTo(const EditedFile& file, std::ostream* out) { *out << file.name; }

class EditedSettingsFile : public SettingsFile, public ::testing::WithParamInterface<EditedFile> {};

namespace {

QByteArray Presets(const char* eol) {
  QByteArray text =
      "[Settings]\n"
      "d1=800 x 600, 32bit color, 60 Hz\n"
      "d2=1024 x 768, 32bit color, 75 Hz\n"
      "d3=\n"
      "d4=640 x 480, 8bit color, 60 Hz\n";
  return text.replace("\n", eol);
}
const QByteArray kBom = "\xEF\xBB\xBF";
// Another program's group, with values as that program wrote them: quotes and backslashes
// that are its own, a byte that is not UTF-8. A comment is not kept.
const QByteArray kOther =
    "[Window]\nleft=120\ntop=80\npath=\"C:\\temp\\new\"\nname=caf\xe9\ntitle=\"a\" b \\\"\n; by hand\n\n";

// Key lines by group, in file order; keys above the first group are under "<none>".
std::vector<std::pair<std::string, std::string>> Lines(const QByteArray& file) {
  std::vector<std::pair<std::string, std::string>> lines;
  std::string group = "<none>";
  for (QByteArray line : file.split('\n')) {
    line = line.trimmed();
    if (line.isEmpty()) continue;
    if (line.startsWith('[')) {
      group = line.toStdString();
      lines.emplace_back(group, "");
    } else {
      lines.emplace_back(group, line.toStdString());
    }
  }
  return lines;
}

}  // namespace

TEST_P(EditedSettingsFile, LoadsAsWrittenAndTheNextOkKeepsOneGroup) {
  put(GetParam().text);
  EXPECT_EQ(read("d1"), "800 x 600, 32bit color, 60 Hz");
  EXPECT_EQ(read("d2"), "1024 x 768, 32bit color, 75 Hz");
  EXPECT_EQ(read("d3"), "");
  EXPECT_EQ(read("d4"), "640 x 480, 8bit color, 60 Hz");

  {  // OK: all four written, changed or not, then saved at once.
    QtSettings settings;
    settings.write("Tarnvel", "Settings", "d1", "1024 x 768, 32bit color, 60 Hz");
    settings.write("Tarnvel", "Settings", "d2", "1024 x 768, 32bit color, 75 Hz");
    settings.write("Tarnvel", "Settings", "d3", "");
    settings.write("Tarnvel", "Settings", "d4", "640 x 480, 8bit color, 60 Hz");
    ASSERT_TRUE(settings.sync());
  }
  const QByteArray after = contents();
  const auto lines = Lines(after);
  int groups = 0;
  for (const auto& [group, key] : lines) {
    EXPECT_NE(group, "<none>") << "a key outside any group: " << key << "\n" << after.toStdString();
    if (key.empty() && group == "[Settings]") ++groups;
  }
  EXPECT_EQ(groups, 1) << after.toStdString();
  using Line = std::pair<std::string, std::string>;
  for (const Line& line : {Line{"[Settings]", "d1=1024 x 768, 32bit color, 60 Hz"},
                           Line{"[Settings]", "d2=1024 x 768, 32bit color, 75 Hz"}, Line{"[Settings]", "d3="},
                           Line{"[Settings]", "d4=640 x 480, 8bit color, 60 Hz"}}) {
    EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << line.second << "\n" << after.toStdString();
  }
  if (GetParam().text.contains("[Window]")) {  // each of its key lines, byte for byte
    for (const auto& [group, key] : Lines(kOther)) {
      if (key.find('=') == std::string::npos) continue;
      EXPECT_EQ(std::count(lines.begin(), lines.end(), Line{group, key}), 1) << key << "\n" << after.toStdString();
    }
  }
  const auto next = nextStart();
  EXPECT_EQ(next.value("Settings/d1"), "1024 x 768, 32bit color, 60 Hz") << after.toStdString();
  EXPECT_EQ(next.value("Settings/d4"), "640 x 480, 8bit color, 60 Hz") << after.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    , EditedSettingsFile,
    ::testing::Values(EditedFile{"ByteOrderMark", kBom + Presets("\n")}, EditedFile{"Crlf", Presets("\r\n")},
                      EditedFile{"ByteOrderMarkAndCrlf", kBom + Presets("\r\n")},
                      EditedFile{"AfterAnotherGroup", kOther + Presets("\n")},
                      EditedFile{"ByteOrderMarkCrlfAfterAnotherGroup",
                                 kBom + QByteArray(kOther).replace("\n", "\r\n") + Presets("\r\n")}),
    [](const ::testing::TestParamInfo<EditedFile>& info) { return std::string(info.param.name); });

// Keys above every group, or in Qt's "General" group, belong to no named group: they are
// kept, under a group of their own, and never end up above the presets' group.
TEST_F(SettingsFile, UngroupedKeysAreKeptInTheirOwnGroup) {
  put("theme=dark\n[Settings]\nd1=800 x 600, 32bit color, 60 Hz\n[General]\nsize=3\n");
  {
    QtSettings settings;
    settings.write("Tarnvel", "Settings", "d1", "640 x 480, 32bit color, 60 Hz");
    ASSERT_TRUE(settings.sync());
  }
  const QByteArray after = contents();
  for (const auto& [group, key] : Lines(after)) EXPECT_NE(group, "<none>") << key << "\n" << after.toStdString();
  const auto next = nextStart();
  EXPECT_EQ(next.value("theme"), "dark") << after.toStdString();
  EXPECT_EQ(next.value("size"), "3") << after.toStdString();
  EXPECT_EQ(next.value("Settings/d1"), "640 x 480, 32bit color, 60 Hz") << after.toStdString();
}

// Lines that cannot be read as they stand: a group line that is not understood, a key with
// the group separator in it. Their keys are not taken for the group before them, and OK
// writes none of them back under a group the user never wrote.
class UnreadLinesSettingsFile : public SettingsFile, public ::testing::WithParamInterface<EditedFile> {};

TEST_P(UnreadLinesSettingsFile, AreNotTakenForAnotherGroupNorSavedAsOne) {
  put(GetParam().text);
  EXPECT_EQ(read("d1"), "800 x 600, 32bit color, 60 Hz");
  {
    QtSettings settings;
    settings.write("Tarnvel", "Settings", "d2", "");
    ASSERT_TRUE(settings.sync());
  }
  EXPECT_EQ(nextStart().keys().join(", ").toStdString(), "Settings/d1, Settings/d2") << contents().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    , UnreadLinesSettingsFile,
    ::testing::Values(
        EditedFile{"BrokenGroupLine",
                   "[Settings]\nd1=800 x 600, 32bit color, 60 Hz\n[Other ; note\nd1=1 x 1, 8bit color, 1 Hz\n"},
        EditedFile{"KeyWithTheGroupSeparator",
                   "[Settings]\nd1=800 x 600, 32bit color, 60 Hz\na/b=1 x 1, 8bit color, 1 Hz\n"}),
    [](const ::testing::TestParamInfo<EditedFile>& info) { return std::string(info.param.name); });

// A byte order mark inside the file, where two files were joined, belongs to the key after
// it. Dropped, it would turn that key's line into a group line when written back, and hide
// every key after it in its group.
TEST_F(SettingsFile, AByteOrderMarkInsideTheFileStaysWithItsKey) {
  put("[Settings]\nd1=800 x 600, 32bit color, 60 Hz\n\xEF\xBB\xBF[Other]k=v\nd2=640 x 480, 32bit color, 60 Hz\n");
  {
    QtSettings settings;
    settings.write("Tarnvel", "Settings", "d3", "");
    ASSERT_TRUE(settings.sync());
  }
  const auto next = nextStart();
  EXPECT_EQ(next.value("Settings/d1"), "800 x 600, 32bit color, 60 Hz") << contents().toStdString();
  EXPECT_EQ(next.value("Settings/d2"), "640 x 480, 32bit color, 60 Hz") << contents().toStdString();
  EXPECT_EQ(next.value(QString::fromLatin1("Settings/\xEF\xBB\xBF[Other]k")), "v") << contents().toStdString();
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
