#pragma once
// The display mode record, laid out field for field as the first 124 bytes of the ANSI DEVMODE
// that EnumDisplaySettingsA and ChangeDisplaySettingsA take: the Windows backend copies it into
// a full-size DEVMODEA and back (the system may write the whole of one), and every other
// backend fills the same fields.
#include <cstddef>
#include <cstdint>

struct DevMode {
  char dmDeviceName[32];
  int16_t dmSpecVersion;
  int16_t dmDriverVersion;
  int16_t dmSize;
  int16_t dmDriverExtra;
  int32_t dmFields;
  int16_t dmOrientation;
  int16_t dmPaperSize;
  int16_t dmPaperLength;
  int16_t dmPaperWidth;
  int16_t dmScale;
  int16_t dmCopies;
  int16_t dmDefaultSource;
  int16_t dmPrintQuality;
  int16_t dmColor;
  int16_t dmDuplex;
  int16_t dmYResolution;
  int16_t dmTTOption;
  int16_t dmCollate;
  char dmFormName[32];
  int16_t dmLogPixels;
  int32_t dmBitsPerPel;
  int32_t dmPelsWidth;
  int32_t dmPelsHeight;
  int32_t dmDisplayFlags;
  int32_t dmDisplayFrequency;
};

static_assert(sizeof(DevMode) == 124);
static_assert(offsetof(DevMode, dmSpecVersion) == 32);
static_assert(offsetof(DevMode, dmDriverVersion) == 34);
static_assert(offsetof(DevMode, dmSize) == 36);
static_assert(offsetof(DevMode, dmDriverExtra) == 38);
static_assert(offsetof(DevMode, dmFields) == 40);
static_assert(offsetof(DevMode, dmOrientation) == 44);
static_assert(offsetof(DevMode, dmPrintQuality) == 58);
static_assert(offsetof(DevMode, dmColor) == 60);
static_assert(offsetof(DevMode, dmCollate) == 68);
static_assert(offsetof(DevMode, dmFormName) == 70);
static_assert(offsetof(DevMode, dmLogPixels) == 102);
static_assert(offsetof(DevMode, dmBitsPerPel) == 104);
static_assert(offsetof(DevMode, dmPelsWidth) == 108);
static_assert(offsetof(DevMode, dmPelsHeight) == 112);
static_assert(offsetof(DevMode, dmDisplayFlags) == 116);
static_assert(offsetof(DevMode, dmDisplayFrequency) == 120);

namespace dm {
inline constexpr int32_t kBitsPerPel = 0x40000;
inline constexpr int32_t kPelsWidth = 0x80000;
inline constexpr int32_t kPelsHeight = 0x100000;
inline constexpr int32_t kDisplayFlags = 0x200000;
inline constexpr int32_t kDisplayFrequency = 0x400000;
inline constexpr int32_t kInterlaced = 0x2;  // dmDisplayFlags
}  // namespace dm
