#include "ctl/notes.h"

#include <system_error>

#include "modes/mode_text.h"

namespace ctl {
namespace {

// The path as UTF-8 on every system (Windows' own narrow form is a code page's).
std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

}  // namespace

std::string FileName(std::string_view name) {
  std::string out;
  for (char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    out += plain ? c : '_';
  }
  return out;
}

std::filesystem::path FileNotes::file(const std::string& monitor) const {
  return place_.folder / (place_.prefix + FileName(monitor) + place_.suffix);
}

// Nothing when the file is missing, damaged, or was made in another session.
std::optional<FileNotes::Record> FileNotes::load(const std::filesystem::path& path) {
  const std::optional<std::string> text = files_.read(path);
  if (!text) return std::nullopt;
  Record record;
  // A record saved again by an editor may begin with a byte order mark.
  for (size_t at = text->starts_with("\xEF\xBB\xBF") ? 3 : 0; at < text->size();) {
    const size_t end = std::min(text->find('\n', at), text->size());
    std::string line = text->substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("monitor ")) {
      record.monitor = line.substr(8);
    } else if (line.starts_with("session ")) {
      record.session = line;
    } else if (record.mode.empty()) {
      record.mode = line;
    }
  }
  // Blanks around the mode are no part of it, as around a preset; what is no mode text at all
  // (an editor's slip, another program's file) is no record, and gives way to the next one.
  const size_t first = record.mode.find_first_not_of(" \t"), last = record.mode.find_last_not_of(" \t");
  record.mode = first == std::string::npos ? std::string() : record.mode.substr(first, last - first + 1);
  if (!TakeApart(record.mode) || record.session != place_.session) return std::nullopt;
  // A record under a file name that its monitor's name does not give is damaged too.
  if (!record.monitor.empty() && file(record.monitor) != path) return std::nullopt;
  return record;
}

Notes::Made FileNotes::make(const std::string& monitor, const std::string& mode, std::string& why) {
  if (place_.folder.empty()) {
    why = place_.whyNot;
    return Made::Failed;
  }
  const std::filesystem::path path = file(monitor);
  const std::string text = "monitor " + monitor + "\n" + (place_.session.empty() ? "" : place_.session + "\n") + mode + "\n";
  WholeFiles::Put put = files_.create(path, text, why);
  if (put == WholeFiles::Put::AlreadyThere) {
    const std::optional<Record> there = load(path);
    if (there && !there->monitor.empty() && there->monitor != monitor) {
      why = Utf8(path) + " keeps the mode of " + there->monitor + ", whose name gives the same file name";
      return Made::Failed;
    }
    if (!there) {
      // One of another session, or a damaged one, is no record: it gives way. Made anew
      // rather than replaced, so that of two runs at once only one makes it.
      std::error_code ignored;
      std::filesystem::remove(path, ignored);
      put = files_.create(path, text, why);
    }
  }
  return put == WholeFiles::Put::Done ? Made::Created : put == WholeFiles::Put::AlreadyThere ? Made::AlreadyThere : Made::Failed;
}

std::optional<std::string> FileNotes::read(const std::string& monitor) {
  if (place_.folder.empty()) return std::nullopt;
  const std::optional<Record> record = load(file(monitor));
  if (!record || (!record->monitor.empty() && record->monitor != monitor)) return std::nullopt;
  return record->mode;
}

void FileNotes::forget(const std::string& monitor) {
  if (place_.folder.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(file(monitor), ignored);
}

std::vector<std::string> FileNotes::kept() {
  std::vector<std::string> monitors;
  std::error_code error;
  if (place_.folder.empty()) return monitors;
  for (std::filesystem::directory_iterator entry(place_.folder, error), end; !error && entry != end; entry.increment(error)) {
    const std::string name = Utf8(entry->path().filename());
    if (name.size() < place_.prefix.size() + place_.suffix.size() || !name.starts_with(place_.prefix) ||
        !name.ends_with(place_.suffix)) {
      continue;
    }
    const std::optional<Record> record = load(entry->path());
    if (record && !record->monitor.empty()) monitors.push_back(record->monitor);
  }
  return monitors;
}

}  // namespace ctl
