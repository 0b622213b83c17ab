#pragma once
// The fixed names of the application: its own, its settings and its defaults.

namespace app {

inline constexpr char kDisplayName[] = "Brenhold"; // also the settings profile
inline constexpr char kMakerKey[] = "Velmora";
inline constexpr char kMainDirSection[] = "MainDirPath"; // one entry per product
inline constexpr char kDefaultProduct[] = "Corvid";
inline constexpr char kDefaultProgramPath[] = "./Corvid.exe";
inline constexpr char kLegacyProduct[] = "Lumaro"; // the one product with a legacy setting

} // namespace app
