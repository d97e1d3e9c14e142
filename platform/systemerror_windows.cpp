#include "platform/systemerror_windows.h"

#include "platform/text.h"

namespace platform {

std::u16string systemErrorText(DWORD error)
{
    wchar_t *buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    std::u16string text;
    if (buffer) {
        text.assign(reinterpret_cast<const char16_t *>(buffer), length);
        ::LocalFree(buffer);
    }

    const auto end = text.find_last_not_of(u"\r\n \t");
    text.erase(end == std::u16string::npos ? 0 : end + 1);
    // A code the system has no words for still tells the reader something.
    if (text.empty())
        text = u"エラー " + decimalText(error);
    return text;
}

} // namespace platform
