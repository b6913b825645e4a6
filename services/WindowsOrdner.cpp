#include "services/WindowsOrdner.h"

namespace WindowsOrdner {

std::wstring WindowsDirectory(DirectoryQuery query) {
    std::wstring buffer(MAX_PATH, L'\0');
    // A too small buffer gets the size needed instead of the text. The answer
    // may change between two calls, so ask again a few times, then give up
    // rather than return a partly filled buffer.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const UINT size = static_cast<UINT>(buffer.size());
        const UINT written = query(buffer.data(), size);
        if (written == 0)
            return {};
        if (written < size) {
            buffer.resize(written);
            return buffer;
        }
        buffer.assign(written, L'\0');
    }
    return {};
}

} // namespace WindowsOrdner
