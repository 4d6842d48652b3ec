// A compositor that speaks KWin's output device, management and order protocols and nothing else,
// for what KWin 5.27's virtual outputs cannot show: outputs with several modes each, a switch
// between two of them, and a configuration answered `failed`.
//   scripted_kwin DESK_FILE STATE_DIR SOCKET_NAME
// The outputs are the desk of DESK_FILE (the fixtures' text form; one monitor a place, positions
// in logical pixels, the primary first in the outputs' order). It listens on SOCKET_NAME in
// XDG_RUNTIME_DIR and then writes the socket's path to STATE_DIR/wayland. STATE_DIR/desk holds the
// outputs as they are, written whole at the start and after every change. While STATE_DIR/fail
// exists, every configuration is answered `failed` and changes nothing. SIGHUP reads DESK_FILE
// again, as if the user had changed the desk in the system settings: the same outputs, each in the
// mode, place, scale and turn it says now. SIGTERM and SIGINT end it.
#include <wayland-server-core.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/desk.h"
#include "platform/posix/posix_files.h"
#include "kde-output-device-v2-server-protocol.h"
#include "kde-output-management-v2-server-protocol.h"
#include "kde-output-order-v1-server-protocol.h"

namespace {

namespace fs = std::filesystem;

struct Output;
struct ModeRef {  // a mode resource's data: which mode of which output
  Output* output;
  size_t index;
};
struct Bound {  // one client's device of an output, with its mode resources by index
  Output* output;
  wl_resource* device;
  std::vector<wl_resource*> modes;
};
struct Output {
  desktop::Place place;  // its one monitor, its corner, scale and turn
  bool enabled = true;
  uint32_t priority = 0;  // 1 is the primary
  std::vector<ModeRef> refs;
  std::list<Bound> bound;
  desktop::Monitor& monitor() { return place.monitors.front(); }
};

struct Compositor {
  fs::path deskFile, state;
  std::vector<std::unique_ptr<Output>> outputs;
  std::vector<wl_resource*> orders;
} self;

std::optional<desktop::Desk> ReadDesk() {
  std::ifstream in(self.deskFile);
  const std::optional<desktop::Desk> desk = desktop::Parse(std::string(std::istreambuf_iterator<char>(in), {}));
  if (!desk || desk->places.empty()) return std::nullopt;
  for (const desktop::Place& p : desk->places) {
    if (p.monitors.size() != 1) return std::nullopt;
  }
  return desk;
}

// Whole or not at all, as a reader of the file may look at any moment.
void WriteWhole(const fs::path& path, const std::string& text) {
  static PosixFiles files;
  std::string why;
  files.replace(path, text, why);
}

std::vector<Output*> InOrder() {
  std::vector<Output*> order;
  for (const auto& o : self.outputs) order.push_back(o.get());
  std::stable_sort(order.begin(), order.end(),
                   [](const Output* a, const Output* b) { return a->priority < b->priority; });
  return order;
}

void SendDevice(const Bound& b) {
  Output& o = *b.output;
  kde_output_device_v2_send_geometry(b.device, o.place.rect.x, o.place.rect.y, 0, 0, 0, "", "",
                                     static_cast<int32_t>(o.place.transform));
  kde_output_device_v2_send_current_mode(b.device, b.modes.at(o.monitor().mode));
  kde_output_device_v2_send_scale(b.device, wl_fixed_from_double(o.place.scale));
  kde_output_device_v2_send_enabled(b.device, o.enabled);
  if (wl_resource_get_version(b.device) >= KDE_OUTPUT_DEVICE_V2_NAME_SINCE_VERSION) {
    kde_output_device_v2_send_name(b.device, o.monitor().name.c_str());
  }
  kde_output_device_v2_send_done(b.device);
}

void SendOrder(wl_resource* order) {
  for (Output* o : InOrder()) {
    if (o->enabled) kde_output_order_v1_send_output(order, o->monitor().name.c_str());
  }
  kde_output_order_v1_send_done(order);
}

// What every client is told, and what the state file says, after a change: as KWin tells it.
void Changed() {
  const std::vector<Output*> order = InOrder();
  for (size_t i = 0; i < order.size(); ++i) order[i]->priority = static_cast<uint32_t>(i + 1);
  desktop::Desk desk;
  desk.logical = true;
  for (const auto& o : self.outputs) {
    for (const Bound& b : o->bound) SendDevice(b);
    if (!o->enabled) continue;
    desktop::Place place = o->place;
    const desktop::Rect size = desktop::Extent(o->monitor().current(), place.scale, place.transform, true);
    place.rect.width = size.width;
    place.rect.height = size.height;
    place.monitors.front().primary = o->priority == 1;
    desk.places.push_back(std::move(place));
  }
  for (wl_resource* order : self.orders) SendOrder(order);
  WriteWhole(self.state / "desk", desktop::Format(desk));
}

void Unbind(wl_resource* device) {
  auto* b = static_cast<Bound*>(wl_resource_get_user_data(device));
  b->output->bound.remove_if([&](const Bound& other) { return &other == b; });
}

void BindDevice(wl_client* client, void* data, uint32_t version, uint32_t id) {
  auto* output = static_cast<Output*>(data);
  Bound& b = output->bound.emplace_back(
      Bound{output, wl_resource_create(client, &kde_output_device_v2_interface, static_cast<int>(version), id), {}});
  wl_resource_set_implementation(b.device, nullptr, &b, Unbind);
  for (ModeRef& ref : output->refs) {
    wl_resource* mode = wl_resource_create(client, &kde_output_device_mode_v2_interface, 1, 0);
    wl_resource_set_implementation(mode, nullptr, &ref, nullptr);
    kde_output_device_v2_send_mode(b.device, mode);
    const desktop::Mode& m = output->monitor().modes[ref.index];
    kde_output_device_mode_v2_send_size(mode, m.width, m.height);
    kde_output_device_mode_v2_send_refresh(mode, static_cast<int32_t>(std::lround(m.rate * 1000)));
    b.modes.push_back(mode);
  }
  SendDevice(b);
}

void DestroyResource(wl_client*, wl_resource* resource) { wl_resource_destroy(resource); }

void ForgetOrder(wl_resource* order) { std::erase(self.orders, order); }
const struct kde_output_order_v1_interface kOrder = {DestroyResource};
void BindOrder(wl_client* client, void*, uint32_t version, uint32_t id) {
  wl_resource* order = wl_resource_create(client, &kde_output_order_v1_interface, static_cast<int>(version), id);
  wl_resource_set_implementation(order, &kOrder, nullptr, ForgetOrder);
  self.orders.push_back(order);
  SendOrder(order);
}

// A configuration: what it asks of each output, until it is applied.
struct Change {
  std::optional<bool> enable;
  std::optional<size_t> mode;
  std::optional<desktop::Rect> position;
  std::optional<double> scale;
  std::optional<uint32_t> transform, priority;
};
struct Configuration {
  std::map<Output*, Change> changes;
  bool valid = true;  // every mode asked for is one of its output's
};
Configuration& ConfigOf(wl_resource* r) { return *static_cast<Configuration*>(wl_resource_get_user_data(r)); }
Change& ChangeOf(wl_resource* config, wl_resource* device) {
  return ConfigOf(config).changes[static_cast<Bound*>(wl_resource_get_user_data(device))->output];
}

void Enable(wl_client*, wl_resource* r, wl_resource* device, int32_t enable) {
  ChangeOf(r, device).enable = enable != 0;
}
void Mode(wl_client*, wl_resource* r, wl_resource* device, wl_resource* mode) {
  const auto* ref = static_cast<const ModeRef*>(wl_resource_get_user_data(mode));
  if (ref->output != static_cast<Bound*>(wl_resource_get_user_data(device))->output) ConfigOf(r).valid = false;
  ChangeOf(r, device).mode = ref->index;
}
void Transform(wl_client*, wl_resource* r, wl_resource* device, int32_t transform) {
  ChangeOf(r, device).transform = static_cast<uint32_t>(transform);
}
void Position(wl_client*, wl_resource* r, wl_resource* device, int32_t x, int32_t y) {
  ChangeOf(r, device).position = desktop::Rect{x, y, 0, 0};
}
void Scale(wl_client*, wl_resource* r, wl_resource* device, wl_fixed_t scale) {
  ChangeOf(r, device).scale = wl_fixed_to_double(scale);
}
void Primary(wl_client*, wl_resource* r, wl_resource* device) { ChangeOf(r, device).priority = 0; }
void Priority(wl_client*, wl_resource* r, wl_resource* device, uint32_t priority) {
  ChangeOf(r, device).priority = priority;
}
void IgnoreNumber(wl_client*, wl_resource*, wl_resource*, uint32_t) {}

void Apply(wl_client*, wl_resource* r) {
  Configuration& config = ConfigOf(r);
  if (fs::exists(self.state / "fail") || !config.valid) {
    kde_output_configuration_v2_send_failed(r);
    return;
  }
  for (auto& [output, change] : config.changes) {
    if (change.enable) output->enabled = *change.enable;
    if (change.mode) output->monitor().mode = *change.mode;
    if (change.position) {
      output->place.rect.x = change.position->x;
      output->place.rect.y = change.position->y;
    }
    if (change.scale) output->place.scale = *change.scale;
    if (change.transform) output->place.transform = *change.transform;
    if (change.priority) output->priority = *change.priority;
  }
  Changed();
  kde_output_configuration_v2_send_applied(r);
}

const struct kde_output_configuration_v2_interface kConfiguration = {
    Enable,          Mode,         Transform,    Position,     Scale,   Apply,
    DestroyResource, IgnoreNumber, IgnoreNumber, IgnoreNumber, Primary, Priority};

void CreateConfiguration(wl_client* client, wl_resource* management, uint32_t id) {
  wl_resource* config =
      wl_resource_create(client, &kde_output_configuration_v2_interface, wl_resource_get_version(management), id);
  wl_resource_set_implementation(config, &kConfiguration, new Configuration,
                                 [](wl_resource* r) { delete &ConfigOf(r); });
}
const struct kde_output_management_v2_interface kManagement = {CreateConfiguration};
void BindManagement(wl_client* client, void*, uint32_t version, uint32_t id) {
  wl_resource* management =
      wl_resource_create(client, &kde_output_management_v2_interface, static_cast<int>(version), id);
  wl_resource_set_implementation(management, &kManagement, nullptr, nullptr);
}

// Each output as DESK_FILE has it now; false when it is no desk of the same outputs and modes.
bool Reload() {
  const std::optional<desktop::Desk> desk = ReadDesk();
  if (!desk || desk->places.size() != self.outputs.size()) return false;
  for (size_t i = 0; i < self.outputs.size(); ++i) {
    const desktop::Place& p = desk->places[i];
    const desktop::Monitor& was = self.outputs[i]->monitor();
    if (p.monitors.front().name != was.name || p.monitors.front().modes != was.modes) return false;
    self.outputs[i]->place = p;
    self.outputs[i]->priority = p.primary() ? 0 : static_cast<uint32_t>(i + 1);
  }
  Changed();
  return true;
}

int Quit(int, void* display) {
  wl_display_terminate(static_cast<wl_display*>(display));
  return 0;
}
int ReloadOnSignal(int, void*) {
  if (!Reload())
    std::fprintf(stderr, "scripted_kwin: %s is no desk of the same outputs and modes\n", self.deskFile.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: scripted_kwin DESK_FILE STATE_DIR SOCKET_NAME\n");
    return 2;
  }
  self.deskFile = argv[1];
  self.state = argv[2];
  const std::optional<desktop::Desk> desk = ReadDesk();
  if (!desk) {
    std::fprintf(stderr, "scripted_kwin: %s is no desk of one monitor a place\n", argv[1]);
    return 2;
  }
  wl_display* display = wl_display_create();
  for (const desktop::Place& place : desk->places) {
    auto& output = *self.outputs.emplace_back(std::make_unique<Output>());
    output.place = place;
    for (size_t i = 0; i < place.monitors.front().modes.size(); ++i) output.refs.push_back({&output, i});
    wl_global_create(display, &kde_output_device_v2_interface, 2, &output, BindDevice);
  }
  wl_global_create(display, &kde_output_management_v2_interface, 3, nullptr, BindManagement);
  wl_global_create(display, &kde_output_order_v1_interface, 1, nullptr, BindOrder);
  Reload();
  wl_event_loop* loop = wl_display_get_event_loop(display);
  wl_event_source* signals[] = {wl_event_loop_add_signal(loop, SIGTERM, Quit, display),
                                wl_event_loop_add_signal(loop, SIGINT, Quit, display),
                                wl_event_loop_add_signal(loop, SIGHUP, ReloadOnSignal, nullptr)};
  if (wl_display_add_socket(display, argv[3]) != 0) {
    std::perror("scripted_kwin: cannot listen on the socket in XDG_RUNTIME_DIR");
    return 1;
  }
  WriteWhole(self.state / "wayland", std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" + argv[3] + "\n");
  std::printf("scripted_kwin: %zu outputs on %s\n", self.outputs.size(), argv[3]);
  std::fflush(stdout);
  wl_display_run(display);
  for (wl_event_source* source : signals) wl_event_source_remove(source);
  wl_display_destroy_clients(display);
  wl_display_destroy(display);
  return 0;
}
