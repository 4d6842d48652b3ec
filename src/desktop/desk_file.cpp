#include "desktop/desk_file.h"

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace desktop {

std::optional<Arrangement> DeskFile::recall() {
  std::error_code error;
  // Anything but a plain file (a FIFO would hold the open up for ever) is no memory.
  if (!std::filesystem::is_regular_file(path_, error)) return std::nullopt;
  std::ifstream in(path_, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto desks = ParseAll(text);
  if (!in.good() && !in.eof()) return std::nullopt;
  if (!desks || desks->size() != 2) return std::nullopt;
  return Arrangement{(*desks)[0], (*desks)[1]};
}

void DeskFile::remember(const Arrangement& record) {
  const std::string arranged = Format(record.arranged), left = Format(record.left);
  if (arranged.empty() || left.empty()) return;
  std::error_code error;
  std::filesystem::create_directories(path_.parent_path(), error);
  // A name of its own, so that two runs at once never write into one file; the rename puts the
  // whole of one of them in place.
  std::filesystem::path draft = path_;
  draft += ".new" + std::to_string(std::random_device{}());
  {
    std::ofstream out(draft, std::ios::binary | std::ios::trunc);
    out << "# the desk as the user arranged it, then the desk the last switch left\n" << arranged << left;
    out.close();
    if (!out) {
      std::filesystem::remove(draft, error);
      return;
    }
  }
  std::filesystem::rename(draft, path_, error);
  if (error) std::filesystem::remove(draft, error);
}

}  // namespace desktop
