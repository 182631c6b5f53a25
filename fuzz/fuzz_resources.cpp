// libFuzzer target: the hosted FindResourceA's reader of a module's
// resources (the resource compiler's .res image). A resource it finds lies
// inside the image and is found again by its handle; anything else, a crash
// or a sanitizer report, is a finding.
#include <cstdint>
#include <cstdlib>

#include "win32/hosted/resource_image.h"

namespace {
void Expect(bool holds) {
    if (!holds) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const hosted::ByteView image(data, size);
    const std::pair<LPCSTR, LPCSTR> wanted[] = {
        {"PACKAGEINFO", RT_RCDATA}, {"TZELVAN", RT_BITMAP}, {"#7", "#10"}, {MAKEINTRESOURCEA(1), "TEXT"}};
    // A thread of the neutral language and one of German (Germany).
    for (const auto& [name, type] : wanted) {
        for (const LANGID language : {LANGID{0}, LANGID{0x0407}}) {
            const hosted::Result<hosted::ResourceEntry> found = hosted::FindResourceEntry(image, name, type, language);
            if (!found) {
                Expect(found.Error() != ERROR_SUCCESS);
                continue;
            }
            Expect(found->data.data() >= data && found->data.data() + found->data.size() <= data + size);
            const std::optional<hosted::ResourceEntry> again = hosted::ResourceEntryAt(image, found->header);
            Expect(again && again->data.data() == found->data.data() && again->data.size() == found->data.size());
        }
    }
    return 0;
}
