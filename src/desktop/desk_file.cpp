#include "desktop/desk_file.h"

#include <string>

namespace desktop {

std::optional<Arrangement> DeskFile::recall() {
  const std::optional<std::string> text = files_.read(path_);
  if (!text) return std::nullopt;
  const auto desks = ParseAll(*text);
  if (!desks || desks->size() != 2) return std::nullopt;
  return Arrangement{(*desks)[0], (*desks)[1]};
}

void DeskFile::remember(const Arrangement& record) {
  const std::string arranged = Format(record.arranged), left = Format(record.left);
  if (arranged.empty() || left.empty()) return;
  std::string why;
  files_.replace(path_, "# the desk as the user arranged it, then the desk the last switch left\n" + arranged + left, why);
}

}  // namespace desktop
