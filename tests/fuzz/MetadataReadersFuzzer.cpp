// libFuzzer entry: the binary property list reader and the HEIC box reader on bytes nobody vouches for.

#include "engine/BinaryPropertyListReader.h"
#include "engine/desktop/DynamicHeicReaderBoxes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    (void)tl::readBinaryPropertyList({ data, size });
    const std::vector<std::uint8_t> file(data, data + size);
    (void)tl::desktop::metadataItemBytes(file);
    (void)tl::desktop::primaryIdField(file);
    return 0;
}
