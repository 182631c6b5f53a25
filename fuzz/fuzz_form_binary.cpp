// libFuzzer target: the binary form reader, the writers and component loading.
#include "fuzz_forms.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzforms::RegisterClasses();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzforms::Exercise({data, size}, vcl::TFormEncoding::Binary);
    return 0;
}
