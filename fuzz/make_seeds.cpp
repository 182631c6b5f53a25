// Writes the seed corpus: make_seeds DIR [RESOURCES...] writes DIR/binary/*
// and DIR/text/* (forms), and from each compiled resource image given, the
// image itself as DIR/resources/* and its PACKAGEINFO record as
// DIR/packageinfo/*.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <span>

#include "fuzz_forms.h"
#include "win32/hosted/resource_image.h"

namespace {

namespace fs = std::filesystem;

bool WriteSeed(const fs::path& folder, int index, std::span<const std::uint8_t> bytes) {
    fs::create_directories(folder);
    const fs::path file = folder / ("seed" + std::to_string(index));
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::cerr << "make_seeds: cannot write " << file << "\n";
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: make_seeds DIR [RESOURCES...]\n";
        return 2;
    }
    const fs::path seeds = argv[1];
    fuzzforms::RegisterClasses();
    for (auto [folder, encoding] : {std::pair{"binary", vcl::TFormEncoding::Binary}, std::pair{"text", vcl::TFormEncoding::Text}}) {
        int index = 0;
        for (const vcl::TBytes& form : fuzzforms::SeedForms(encoding))
            if (!WriteSeed(seeds / folder, ++index, form)) return 1;
    }
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::vector<std::uint8_t> image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const auto record = hosted::FindResourceEntry(image, "PACKAGEINFO", RT_RCDATA, LANG_NEUTRAL);
        if (!in || !record) {
            std::cerr << "make_seeds: " << argv[i] << " is no resource image holding a PACKAGEINFO\n";
            return 1;
        }
        if (!WriteSeed(seeds / "resources", i - 1, image) || !WriteSeed(seeds / "packageinfo", i - 1, record->data))
            return 1;
    }
    return 0;
}
