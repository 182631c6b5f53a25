// Writes the seed corpus: make_seeds DIR writes DIR/binary/* and DIR/text/*.
#include <filesystem>
#include <fstream>
#include <iostream>

#include "fuzz_forms.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_seeds DIR\n";
        return 2;
    }
    fuzzforms::RegisterClasses();
    for (auto [folder, encoding] : {std::pair{"binary", vcl::TFormEncoding::Binary}, std::pair{"text", vcl::TFormEncoding::Text}}) {
        std::filesystem::path dir = std::filesystem::path(argv[1]) / folder;
        std::filesystem::create_directories(dir);
        int index = 0;
        for (const vcl::TBytes& form : fuzzforms::SeedForms(encoding)) {
            std::ofstream out(dir / ("seed" + std::to_string(++index)), std::ios::binary);
            out.write(reinterpret_cast<const char*>(form.data()), static_cast<std::streamsize>(form.size()));
            if (!out) {
                std::cerr << "make_seeds: cannot write " << (dir / ("seed" + std::to_string(index))) << "\n";
                return 1;
            }
        }
    }
    return 0;
}
