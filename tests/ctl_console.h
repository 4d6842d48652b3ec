#pragma once
// tarnvelctl's console and records in memory: what it wrote, the answers it is given, and
// outputs and files that fail as a full disk or a missing folder would.
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ctl/tarnvelctl.h"

struct SimConsole final : ctl::Console {
  // The answers, a line each, then the end of input; `interruption`, when set, comes first.
  explicit SimConsole(const std::string& input = {}, const std::string& interruption = {}) {
    if (!interruption.empty()) answers.push_back({ctl::Answer::Kind::Interrupted, {}, interruption});
    size_t at = 0;
    for (size_t end; (end = input.find('\n', at)) != std::string::npos; at = end + 1) {
      answers.push_back({ctl::Answer::Kind::Line, input.substr(at, end - at), {}});
    }
  }
  bool out(std::string_view text) override {
    if (!outError_.text.empty()) return false;
    written += text;
    return true;
  }
  ctl::OutError outError() override { return outError_; }
  void err(std::string_view text) override { errors += text; }
  void holdInterruptions() override { held = true; }
  ctl::Answer answer(std::chrono::milliseconds) override {
    if (answers.empty()) return {ctl::Answer::Kind::EndOfInput, {}, {}};
    ctl::Answer next = answers.front();
    answers.pop_front();
    return next;
  }
  void takenBack() override { ++backs; }

  std::string written, errors;
  ctl::OutError outError_;  // when its text is set, standard output takes nothing and says this
  std::deque<ctl::Answer> answers;
  bool held = false;
  int backs = 0;
};

struct SimNotes final : ctl::Notes {
  Made make(const std::string& monitor, const std::string& mode, std::string& why) override {
    if (!failWith.empty()) {
      why = failWith;
      return Made::Failed;
    }
    return modes.emplace(monitor, mode).second ? Made::Created : Made::AlreadyThere;
  }
  std::optional<std::string> read(const std::string& monitor) override {
    const auto it = modes.find(monitor);
    return it == modes.end() ? std::nullopt : std::optional(it->second);
  }
  void forget(const std::string& monitor) override { modes.erase(monitor); }
  std::vector<std::string> kept() override {
    std::vector<std::string> names;
    for (const auto& [monitor, mode] : modes) names.push_back(monitor);
    return names;
  }

  std::map<std::string, std::string> modes;  // monitor -> mode
  std::string failWith;                     // when set, no record can be made, for this reason
};
