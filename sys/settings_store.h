// The settings store: every persistent setting of the program, read and
// written through four operations. Keys are backslash-separated paths below
// the current user's root; values are binary blocks or NUL-terminated texts.
// Texts are UTF-8 (paths among them); the registry keeps them as wide REG_SZ
// values, which a reader through the 8-bit calls gets in its code page.
// Each operation opens and closes its key within the call, and a read never
// creates anything. Called from the user-interface thread only.
#pragma once

#include <cstdint>

// Largest text value, terminator included; ReadSettingText's destination
// must have room for this many bytes.
constexpr uint32_t kSettingTextSize = 4096;

// Stores size bytes as a binary value, creating the key and any missing
// parents, replacing an earlier value of that name whatever its kind.
// Returns 1 on success, 0 when an argument is missing or the store fails.
int WriteSettingBinary(const char* key, const char* name, const void* data, uint32_t size);

// Reads a binary value of at most size bytes into dest without creating the
// key. A stored value smaller than size fills only its own first bytes; the
// rest of dest keeps what it held. Returns 1 on success; 0 when the key or
// value is missing, the value is not binary or is larger than size (dest is
// then unchanged).
int ReadSettingBinary(const char* key, const char* name, void* dest, uint32_t size);

// Like ReadSettingBinary but succeeds only when the stored value has exactly
// size bytes, for owners that ignore a value of another size. Returns 1 on
// success, 0 otherwise (dest unchanged).
int ReadSettingBinaryExact(const char* key, const char* name, void* dest, uint32_t size);

// Stores text with its terminating NUL as a text value, creating the key as
// WriteSettingBinary does. Returns 1 on success; 0 when an argument is
// missing, the text with its terminator exceeds kSettingTextSize bytes (such a
// value could never be read back), it is not UTF-8 on the registry, or the
// store fails.
int WriteSettingText(const char* key, const char* name, const char* text);

// Reads a text value into dest (room for kSettingTextSize bytes), always
// NUL-terminated, in UTF-8 (a text stored in the code page by another
// program reads back converted). Returns 1 on success; 0 when the key or
// value is missing, the value is not text or does not fit (dest is then
// unchanged).
int ReadSettingText(const char* key, const char* name, char* dest);

// Places the whole store below another root, for tests: on the registry a
// key path below HKEY_CURRENT_USER, on the file store a folder. nullptr
// returns to the user's own root. Returns 1 on success, 0 when root is too
// long.
int SetSettingsRoot(const char* root);

// ---- Keys ----

constexpr char kSettingsAppName[] = "Tenvelo";

constexpr char kLatencyKey[] = "Tavin_Audio\\demo";
constexpr char kOlmaKey[] = "Tavin_Audio\\OLMA";
// kOlmaKey + "\" + kSettingsAppName: the meter window's default placement.
constexpr char kMeterWindowKey[] = "Tavin_Audio\\OLMA\\Tenvelo";
// Followed by the meter's name: the meter settings.
constexpr char kMeterKeyPrefix[] = "Tavin_Audio\\OLMA\\Meter\\";
constexpr char kMeterKey[] = "Tavin_Audio\\OLMA\\Meter\\Tenvelo";
// Followed by the application key given to the toolkit: its options.
constexpr char kToolkitKeyPrefix[] = "Tavin_Audio\\PX2CTL\\";
constexpr char kToolkitKey[] = "Tavin_Audio\\PX2CTL\\Tenvelo";
constexpr char kHistoryLoadKey[] = "Tavin_Audio\\OLMA\\Tenvelo Extra option\\Load";
constexpr char kHistorySaveKey[] = "Tavin_Audio\\OLMA\\Tenvelo Extra option\\Save";

// ---- Values ----

// kLatencyKey: 4-byte float, seconds.
constexpr char kLatencyTimeValue[] = "LatencyTime";

// kMeterWindowKey: 4-byte signed left, top, right, bottom.
constexpr char kWindowX0Value[] = "Window x0";
constexpr char kWindowY0Value[] = "Window y0";
constexpr char kWindowX1Value[] = "Window x1";
constexpr char kWindowY1Value[] = "Window y1";

// kMeterKey: 4 raw bytes each.
constexpr char kMoyBorderValue[] = "MoyBorder";
constexpr char kMoyBrushValue[] = "MoyBrush";
constexpr char kNomBorderValue[] = "nomBorder";
constexpr char kNomBrushValue[] = "nomBrush";
constexpr char kMaxBorderValue[] = "MaxBorder";
constexpr char kMaxBrushValue[] = "MaxBrush";
constexpr char kAttnBorderValue[] = "AttnBorder";
constexpr char kMaxColorValue[] = "MaxColor";
constexpr char kMoyColorValue[] = "MoyColor";
constexpr char kBrushTypeValue[] = "BrushType";
constexpr char kDbHeadValue[] = "dbHead";
constexpr char kDbMaxValue[] = "dbMax";
constexpr char kLevelMinDbValue[] = "L_MinDB";
constexpr char kLevelMaxDbValue[] = "L_MaxDB";
constexpr char kSecondMinDbValue[] = "C_MinDB";
constexpr char kSecondMaxDbValue[] = "C_MaxDB";
constexpr char kMaxDbPerSValue[] = "Max_DBperS";
constexpr char kMoyDbPerSValue[] = "Moy_DBperS";
constexpr char kFramesPerSValue[] = "nbFperS";
constexpr char kReduceMinDbValue[] = "ReduceMinDb";
constexpr char kDisplayDbOffsetValue[] = "DisplayDbOffset";
constexpr char kDelayValue[] = "Delay";
constexpr char kAttackValue[] = "Attack";
constexpr char kPhaseReleaseValue[] = "PhaseRelease";
constexpr char kElectronValue[] = "Electron";
constexpr char kPersistenceValue[] = "Persistence";
constexpr char kDelayElectronValue[] = "DelayElectron";
constexpr char kDelayPersistenceValue[] = "DelayPersistence";
constexpr char kRangeReleaseValue[] = "RangeRelease";
constexpr char kCorelOnValue[] = "Corel_on";
constexpr char kCorelOffValue[] = "Corel_off";
constexpr char kDiapasonValue[] = "diapason";

// kToolkitKey: binary.
constexpr char kRotModeValue[] = "Rot_Mode";
constexpr char kInfoValueValue[] = "infovalue";
constexpr char kRotMoveValue[] = "Rot_Move";
constexpr char kRotLatencyValue[] = "Rot_Latency";
constexpr char kSCaptureValue[] = "S_capture";
constexpr char kSSetToPosValue[] = "S_settopos";
constexpr char kAIModeValue[] = "A_imode";
constexpr char kDialTCtxValue[] = "Dial_tCtx";

// kHistoryLoadKey and kHistorySaveKey: texts.
constexpr char kDirValue[] = "dir";
constexpr char kNameValue[] = "Name";
