#include "platform/kwin/kwin_desk.h"

#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <list>
#include <memory>
#include <vector>

#include "kde-output-device-v2-client-protocol.h"
#include "kde-output-management-v2-client-protocol.h"
#include "kde-output-order-v1-client-protocol.h"

namespace {

// The versions whose events this file handles: a newer compositor speaks these to us.
constexpr uint32_t kDeviceVersion = 2;  // 2 names the output (DP-1)
constexpr uint32_t kManagementVersion = 3;  // 2 sets the primary output, 3 the outputs' order
constexpr uint32_t kOrderVersion = 1;
constexpr int32_t kBitsPerPixel = 32;  // a compositor's outputs are 32-bit
// As long as a mode change on real hardware may take, and no longer: a compositor that stops
// answering must not hang the tray program or tarnvelctl.
constexpr std::chrono::seconds kLongestWait{10};

struct Output;

struct ModeState {
  kde_output_device_mode_v2* proxy = nullptr;
  Output* owner = nullptr;
  int32_t width = 0, height = 0;
  int32_t refresh = 0;  // millihertz
};

struct Output {
  kde_output_device_v2* proxy = nullptr;
  std::string name;
  int32_t x = 0, y = 0, transform = 0;
  wl_fixed_t scale = wl_fixed_from_int(1);
  bool enabled = false;
  std::list<ModeState> modes;  // in the order announced; a mode's id is its index here
  const ModeState* current = nullptr;
};

// One connection to the compositor: its globals, and once read, every output device with its
// modes and the outputs' order, as the compositor announced them on binding.
class Connection {
 public:
  explicit Connection(const std::string& socket) {
    display_ = wl_display_connect(socket.empty() ? nullptr : socket.c_str());
    if (!display_) return;
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kRegistry, this);
    ok_ = roundtrip();
  }
  ~Connection() {
    for (const std::unique_ptr<Output>& output : outputs_) {
      for (ModeState& mode : output->modes) kde_output_device_mode_v2_destroy(mode.proxy);
      kde_output_device_v2_destroy(output->proxy);
    }
    if (order_) kde_output_order_v1_destroy(order_);
    if (management_) kde_output_management_v2_destroy(management_);
    if (registry_) wl_registry_destroy(registry_);
    if (display_) wl_display_disconnect(display_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Output management, on devices that name their outputs: a user reaches a monitor by its
  // name, which a device of version 1 does not tell.
  bool offersManagement() const {
    return ok_ && managementGlobal_.name != 0 &&
           std::all_of(deviceGlobals_.begin(), deviceGlobals_.end(), [](const Global& g) { return g.version >= kDeviceVersion; });
  }

  // Binds the output devices, the management and the order, and reads what they announce.
  bool read() {
    if (!offersManagement()) return false;
    management_ = static_cast<kde_output_management_v2*>(
        wl_registry_bind(registry_, managementGlobal_.name, &kde_output_management_v2_interface,
                         std::min(managementGlobal_.version, kManagementVersion)));
    if (orderGlobal_.name != 0) {
      order_ = static_cast<kde_output_order_v1*>(
          wl_registry_bind(registry_, orderGlobal_.name, &kde_output_order_v1_interface, kOrderVersion));
      kde_output_order_v1_add_listener(order_, &kOrder, this);
    }
    for (const Global& global : deviceGlobals_) {
      auto output = std::make_unique<Output>();
      output->proxy = static_cast<kde_output_device_v2*>(wl_registry_bind(
          registry_, global.name, &kde_output_device_v2_interface, std::min(global.version, kDeviceVersion)));
      kde_output_device_v2_add_listener(output->proxy, &kDevice, output.get());
      outputs_.push_back(std::move(output));
    }
    return roundtrip();
  }

  // The desk the outputs show: every enabled one, laid out in logical pixels, the first of the
  // order primary. Nothing when an enabled output has no name or no mode in force.
  std::optional<desktop::Desk> desk() const {
    desktop::Desk desk;
    desk.logical = true;
    desk.bitsPerPixel = kBitsPerPixel;
    for (const std::unique_ptr<Output>& output : outputs_) {
      if (!output->enabled) continue;
      if (output->name.empty() || !output->current) return std::nullopt;
      desktop::Monitor monitor;
      monitor.name = output->name;
      monitor.primary = !orderNames_.empty() && orderNames_.front() == output->name;
      for (const ModeState& state : output->modes) {
        if (&state == output->current) monitor.mode = monitor.modes.size();
        desktop::Mode mode;
        mode.width = state.width;
        mode.height = state.height;
        mode.rate = state.refresh / 1000.0;
        mode.id = std::to_string(monitor.modes.size());
        monitor.modes.push_back(std::move(mode));
      }
      const double scale = wl_fixed_to_double(output->scale);
      const auto transform = static_cast<uint32_t>(output->transform);
      const desktop::Rect size = desktop::Extent(monitor.current(), scale, transform, true);
      desk.places.push_back({{output->x, output->y, size.width, size.height}, scale, transform, {std::move(monitor)}});
    }
    if (desk.places.empty()) return std::nullopt;
    return desk;
  }

  // Sends `after` as one configuration: each of its monitors in its mode, place, scale and turn,
  // and the outputs' order with its primary first. The DISP_CHANGE code of KWin's answer.
  int32_t apply(const desktop::Desk& after) {
    const auto shown = std::count_if(outputs_.begin(), outputs_.end(), [](const auto& o) { return o->enabled; });
    if (!management_ || static_cast<ptrdiff_t>(after.places.size()) != shown) return disp_change::kFailed;
    struct Step {
      Output* output;
      kde_output_device_mode_v2* mode;
      const desktop::Place* place;
    };
    std::vector<Step> steps;
    for (const desktop::Place& place : after.places) {
      for (const desktop::Monitor& monitor : place.monitors) {
        Output* output = named(monitor.name);
        if (!output || !output->enabled) return disp_change::kFailed;
        const ModeState* mode = modeOf(*output, monitor.current());
        if (!mode) return disp_change::kBadMode;
        steps.push_back({output, mode->proxy, &place});
      }
    }
    // The primary first, the others in the order they had.
    std::stable_sort(steps.begin(), steps.end(), [&](const Step& a, const Step& b) {
      const auto rank = [&](const Step& s) {
        if (s.place->primary()) return ptrdiff_t{-1};
        return std::find(orderNames_.begin(), orderNames_.end(), s.output->name) - orderNames_.begin();
      };
      return rank(a) < rank(b);
    });

    kde_output_configuration_v2* config = kde_output_management_v2_create_configuration(management_);
    Answer answer;
    kde_output_configuration_v2_add_listener(config, &kConfiguration, &answer);
    const uint32_t version = kde_output_management_v2_get_version(management_);
    for (size_t i = 0; i < steps.size(); ++i) {
      const Step& s = steps[i];
      kde_output_configuration_v2_enable(config, s.output->proxy, 1);
      kde_output_configuration_v2_mode(config, s.output->proxy, s.mode);
      kde_output_configuration_v2_position(config, s.output->proxy, s.place->rect.x, s.place->rect.y);
      kde_output_configuration_v2_scale(config, s.output->proxy, wl_fixed_from_double(s.place->scale));
      kde_output_configuration_v2_transform(config, s.output->proxy, static_cast<int32_t>(s.place->transform));
      if (version >= KDE_OUTPUT_CONFIGURATION_V2_SET_PRIORITY_SINCE_VERSION) {
        kde_output_configuration_v2_set_priority(config, s.output->proxy, static_cast<uint32_t>(i + 1));
      } else if (version >= KDE_OUTPUT_CONFIGURATION_V2_SET_PRIMARY_OUTPUT_SINCE_VERSION && i == 0 &&
                 s.place->primary()) {
        kde_output_configuration_v2_set_primary_output(config, s.output->proxy);
      }
    }
    kde_output_configuration_v2_apply(config);
    const bool answered = pump(answer.given);
    kde_output_configuration_v2_destroy(config);
    return answered && answer.applied ? disp_change::kSuccessful : disp_change::kFailed;
  }

 private:
  struct Global {
    uint32_t name = 0, version = 0;
  };
  struct Answer {
    bool given = false, applied = false;
  };

  Output* named(const std::string& name) {
    const auto it = std::find_if(outputs_.begin(), outputs_.end(), [&](const auto& o) { return o->name == name; });
    return it == outputs_.end() ? nullptr : it->get();
  }

  // The mode a plan names by its id, the index read, when it is still the one read.
  static const ModeState* modeOf(const Output& output, const desktop::Mode& wanted) {
    size_t index = 0;
    const char* end = wanted.id.data() + wanted.id.size();
    if (std::from_chars(wanted.id.data(), end, index).ptr != end || index >= output.modes.size()) return nullptr;
    const ModeState& mode = *std::next(output.modes.begin(), static_cast<ptrdiff_t>(index));
    return mode.width == wanted.width && mode.height == wanted.height ? &mode : nullptr;
  }

  // Dispatches the compositor's events until `done` is set; false when the connection fails or
  // the compositor has not set it within kLongestWait.
  bool pump(const bool& done) {
    const auto end = std::chrono::steady_clock::now() + kLongestWait;
    while (!done) {
      if (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0) return false;
        continue;
      }
      if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display_);
        return false;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      pollfd fd{wl_display_get_fd(display_), POLLIN, 0};
      const int ready = left.count() > 0 ? poll(&fd, 1, static_cast<int>(left.count())) : 0;
      if (ready <= 0) {
        wl_display_cancel_read(display_);
        if (ready < 0 && errno == EINTR) continue;
        return false;
      }
      if (wl_display_read_events(display_) < 0 || wl_display_dispatch_pending(display_) < 0) return false;
    }
    return true;
  }

  // Every event the compositor sent before this call has been handled when it returns true.
  bool roundtrip() {
    bool done = false;
    wl_callback* callback = wl_display_sync(display_);
    wl_callback_add_listener(callback, &kSync, &done);
    const bool ok = pump(done);
    wl_callback_destroy(callback);
    return ok;
  }

  static void Announced(void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version) {
    auto* self = static_cast<Connection*>(data);
    const std::string_view kind(interface);
    if (kind == kde_output_device_v2_interface.name) self->deviceGlobals_.push_back({name, version});
    if (kind == kde_output_management_v2_interface.name) self->managementGlobal_ = {name, version};
    if (kind == kde_output_order_v1_interface.name) self->orderGlobal_ = {name, version};
  }
  static void GlobalRemove(void*, wl_registry*, uint32_t) {}
  static constexpr wl_registry_listener kRegistry{Announced, GlobalRemove};

  static void Synced(void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }
  static constexpr wl_callback_listener kSync{Synced};

  static void OrderOutput(void* data, kde_output_order_v1*, const char* name) {
    static_cast<Connection*>(data)->orderPending_.emplace_back(name);
  }
  static void OrderDone(void* data, kde_output_order_v1*) {
    auto* self = static_cast<Connection*>(data);
    self->orderNames_ = std::move(self->orderPending_);
    self->orderPending_.clear();
  }
  static constexpr kde_output_order_v1_listener kOrder{OrderOutput, OrderDone};

  static Output& Of(void* data) { return *static_cast<Output*>(data); }
  static void Geometry(void* data, kde_output_device_v2*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*,
                       const char*, int32_t transform) {
    Of(data).x = x;
    Of(data).y = y;
    Of(data).transform = transform;
  }
  static void CurrentMode(void* data, kde_output_device_v2*, kde_output_device_mode_v2* mode) {
    Of(data).current = static_cast<const ModeState*>(kde_output_device_mode_v2_get_user_data(mode));
  }
  static void NewMode(void* data, kde_output_device_v2*, kde_output_device_mode_v2* proxy) {
    ModeState& mode = Of(data).modes.emplace_back();
    mode.proxy = proxy;
    mode.owner = &Of(data);
    kde_output_device_mode_v2_add_listener(proxy, &kMode, &mode);
  }
  static void Scale(void* data, kde_output_device_v2*, wl_fixed_t factor) { Of(data).scale = factor; }
  static void Enabled(void* data, kde_output_device_v2*, int32_t enabled) { Of(data).enabled = enabled != 0; }
  static void Name(void* data, kde_output_device_v2*, const char* name) { Of(data).name = name; }
  static void Ignore(void*, kde_output_device_v2*) {}
  static void IgnoreText(void*, kde_output_device_v2*, const char*) {}
  static void IgnoreNumber(void*, kde_output_device_v2*, uint32_t) {}
  static constexpr kde_output_device_v2_listener kDevice{
      Geometry, CurrentMode,  NewMode,      Ignore,       Scale,        IgnoreText,   Enabled, IgnoreText,
      IgnoreText, IgnoreText, IgnoreNumber, IgnoreNumber, IgnoreNumber, IgnoreNumber, Name};

  static ModeState& ModeOf(void* data) { return *static_cast<ModeState*>(data); }
  static void Size(void* data, kde_output_device_mode_v2*, int32_t width, int32_t height) {
    ModeOf(data).width = width;
    ModeOf(data).height = height;
  }
  static void Refresh(void* data, kde_output_device_mode_v2*, int32_t refresh) { ModeOf(data).refresh = refresh; }
  static void Preferred(void*, kde_output_device_mode_v2*) {}
  static void Removed(void* data, kde_output_device_mode_v2* proxy) {
    Output& output = *ModeOf(data).owner;
    if (output.current == data) output.current = nullptr;
    output.modes.remove_if([&](const ModeState& m) { return &m == data; });
    kde_output_device_mode_v2_destroy(proxy);
  }
  static constexpr kde_output_device_mode_v2_listener kMode{Size, Refresh, Preferred, Removed};

  static void Applied(void* data, kde_output_configuration_v2*) { *static_cast<Answer*>(data) = {true, true}; }
  static void Failed(void* data, kde_output_configuration_v2*) { *static_cast<Answer*>(data) = {true, false}; }
  static constexpr kde_output_configuration_v2_listener kConfiguration{Applied, Failed};

  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  bool ok_ = false;
  std::vector<Global> deviceGlobals_;
  Global managementGlobal_, orderGlobal_;
  kde_output_management_v2* management_ = nullptr;
  kde_output_order_v1* order_ = nullptr;
  std::vector<std::string> orderNames_, orderPending_;
  std::vector<std::unique_ptr<Output>> outputs_;
};

}  // namespace

bool KWinDesk::Offered(const std::string& socket) { return Connection(socket).offersManagement(); }

KWinDesk::KWinDesk(std::string socket) : socket_(std::move(socket)) {}

std::optional<desktop::Desk> KWinDesk::read() {
  Connection connection(socket_);
  if (!connection.read()) return std::nullopt;
  return connection.desk();
}

int32_t KWinDesk::change(const desktop::Planner& plan) {
  // The plan is made from the desk read on the connection it is sent on, just before; the
  // protocol has no serial to refuse a configuration made on an older desk.
  Connection connection(socket_);
  if (!connection.read()) return disp_change::kFailed;
  const std::optional<desktop::Desk> before = connection.desk();
  if (!before) return disp_change::kFailed;
  const desktop::Planned planned = plan(*before);
  if (planned.code != disp_change::kSuccessful) return planned.code;
  return connection.apply(planned.desk);
}
