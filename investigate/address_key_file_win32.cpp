#include "investigate/address_names.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace zelkam {

bool loadOrMakeAddressKey(const std::string& folder, std::array<std::uint8_t, 32>& key, std::string& error)
{
    if (folder.empty()) {
        error = "no settings folder for the address key (APPDATA is not set)";
        return false;
    }
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    const std::filesystem::path path = std::filesystem::path(folder) / "address-key";
    if (std::ifstream in{path, std::ios::binary}) {
        in.read(reinterpret_cast<char*>(key.data()), key.size());
        if (in.gcount() == static_cast<std::streamsize>(key.size()))
            return true;
        error = path.string() + " does not hold a key of 32 bytes";
        return false;
    }
    // The user's own profile folder is private to the user on Windows.
    std::random_device random;
    for (auto& byte : key)
        byte = static_cast<std::uint8_t>(random());
    std::ofstream out{path, std::ios::binary};
    out.write(reinterpret_cast<const char*>(key.data()), key.size());
    if (!out.good()) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

} // namespace zelkam
