#pragma once
// The settings store, shell and toolkit in memory, recording what the program asks of them.
#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/settings.h"
#include "platform/shell.h"
#include "platform/toolkit.h"

class SimSettings : public Settings {
 public:
  std::string read(std::string_view app, std::string_view section, std::string_view key,
                   std::string_view fallback) override {
    ++reads;
    if (failReads) return std::string(fallback);
    auto it = values.find(path(app, section, key));
    return it == values.end() ? std::string(fallback) : it->second;
  }
  bool write(std::string_view app, std::string_view section, std::string_view key, std::string_view value) override {
    ++writes;
    if (failWrites || key == failKey) return false;
    values[path(app, section, key)] = std::string(value);
    return true;
  }

  bool sync() override {
    ++syncs;
    return !failWrites && !failSync;
  }
  std::string unreadable(std::string_view, std::string_view) override { return failOpen; }

  // "app/section/key" -> value
  static std::string path(std::string_view app, std::string_view section, std::string_view key) {
    return std::string(app) + "/" + std::string(section) + "/" + std::string(key);
  }
  std::map<std::string, std::string> values;
  bool failReads = false;
  bool failWrites = false;
  bool failSync = false;  // every write is taken, but none can be made durable
  std::string failOpen;    // the store is there but cannot be read: why
  std::string failKey;     // the one write that is refused; the others are taken and saved
  int reads = 0;
  int writes = 0;
  int syncs = 0;
};

class SimShell : public Shell {
 public:
  bool notifyIcon(uint32_t message, const NotifyIconData& data) override {
    notifications.push_back({message, data});
    const auto id = std::make_pair(data.hWnd, data.uID);
    if (message == nim::kAdd) return icons.insert(id).second;
    if (message == nim::kDelete) return icons.erase(id) == 1;
    return icons.count(id) == 1;
  }
  bool trayHostPresent() override { return hostPresent; }
  void execute(uintptr_t owner, const char* operation, const char* file, const char* parameters, const char* directory,
               int show) override {
    executions.push_back(
        {owner, operation, file, parameters ? std::optional<std::string>(parameters) : std::nullopt, directory, show});
  }

  struct Notification {
    uint32_t message;
    NotifyIconData data;
  };
  struct Execution {
    uintptr_t owner;
    std::string operation, file;
    std::optional<std::string> parameters;
    std::string directory;
    int show;
  };
  std::vector<Notification> notifications;
  std::vector<Execution> executions;
  std::set<std::pair<uint32_t, uint32_t>> icons;  // (hWnd, uID) of the icons shown
  bool hostPresent = true;                        // a notification area is there to take them
};

class SimToolkit : public Toolkit {
 public:
  void messageBox(std::string_view text, int style, std::string_view title) override {
    boxes.push_back({std::string(text), style, std::string(title)});
    if (onMessageBox) onMessageBox();
  }
  bool anotherInstanceRunning() override { return otherInstance; }
  void showWindow() override {
    ++shows;
    shown = true;
  }
  void hideWindow() override {
    ++hides;
    shown = false;
  }
  void focus(const Control& control) override { focused = &control; }
  void processEvents() override {
    ++eventPasses;
    if (onProcessEvents) onProcessEvents();
  }
  const MenuEntry* popupMenu(const MenuEntry& menu) override {
    ++popups;
    return choose ? choose(menu) : nullptr;
  }
  uint32_t callOnce(uint32_t milliseconds, std::function<void()> callback) override {
    calls.push_back({++lastCall, now + milliseconds, std::move(callback)});
    return lastCall;
  }
  void cancelCall(uint32_t call) override {
    std::erase_if(calls, [call](const Call& pending) { return pending.id == call; });
  }
  // Lets `milliseconds` go by: every call due by then runs, the earliest first, each as the
  // event loop would run it, at its own time.
  void pass(uint64_t milliseconds) {
    const uint64_t until = now + milliseconds;
    for (;;) {
      const auto next =
          std::min_element(calls.begin(), calls.end(), [](const Call& a, const Call& b) { return a.due < b.due; });
      if (next == calls.end() || next->due > until) break;
      now = next->due;
      const std::function<void()> run = std::move(next->callback);
      calls.erase(next);
      run();
    }
    now = until;
  }
  void endProgram() override { ended = true; }
  std::string currentDirectory() override { return directory; }
  uint32_t windowHandle() override { return hwnd; }
  uint32_t windowIcon() override { return hicon; }
  float twipsPerPixelX() override { return twipsPerPixel; }

  struct Box {
    std::string text;
    int style;
    std::string title;
  };
  std::vector<Box> boxes;
  struct Call {
    uint32_t id;
    uint64_t due;  // on the clock below
    std::function<void()> callback;
  };
  std::vector<Call> calls;  // the calls arranged and not yet run or dropped
  uint64_t now = 0;         // milliseconds since the toolkit was made
  uint32_t lastCall = 0;
  bool otherInstance = false;
  bool shown = true;  // a form starts out shown until start-up hides it
  int shows = 0, hides = 0, eventPasses = 0, popups = 0;
  bool ended = false;
  const Control* focused = nullptr;
  std::function<const MenuEntry*(const MenuEntry&)> choose;  // the user's pick in a pop-up
  std::function<void()> onProcessEvents;
  std::function<void()> onMessageBox;  // runs while the box is open, as its message loop would
  std::string directory = "/home/user";
  uint32_t hwnd = 0x1234;
  uint32_t hicon = 0x5678;
  float twipsPerPixel = 15.0f;
};
