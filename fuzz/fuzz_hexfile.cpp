// Whole firmware files through the HEX reader, then through the page and
// part walk the transfer makes.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "link/HexFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/aq-fuzz-hexfile-" + std::to_string(::getpid()) + ".hex";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    static aq::HexFile image;
    aq::HexLoadReport report;
    if (!aq::hexfile_load(path, image, &report)) return 0;
    aq::hexfile_first_page(image);
    aq::HexPartPacket packet;
    int pages = 0;
    do {
        for (int part = 0; part < 16; ++part) aq::hexfile_get_part(image, packet);
        if (++pages > 512) __builtin_trap();  // the walk must end
    } while (aq::hexfile_next_page(image));
    return 0;
}
