// A CDIB from or to a file named by the user, and from the program's resources.
#include "win/framework/win32.h"

#include <cstring>
#include <string>

#include "win/framework/services.h"
#include "win/image/dibwin32.h"

#include "core/image/pngfile.h"

namespace {

const char kImageFilter[] = "Image files (*.DIB, *.BMP, *.PNG)|*.DIB;*.BMP;*.PNG|All files (*.*)|*.*||";

}  // namespace

BOOL LoadFromPath(CDIB& dib, const char* path, const char* defaultExtension, std::string* why, bool colorTableOnly) {
    std::string name = path ? path : "";
    if (name.empty()) {
        CFileDialog dialog(TRUE, defaultExtension, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, kImageFilter,
                           AppMainWindow());
        if (dialog.DoModal() != IDOK) return FALSE;
        name = dialog.GetPathName();
    }
    std::string reason;
    CFile file;
    if (!file.Open(name.c_str(), CFile::modeRead | CFile::shareDenyWrite)) {
        reason = "it cannot be opened";
    } else {
        // A read the system refuses is a file that cannot be read, like a short one.
        try {
            if (colorTableOnly ? ReadImageColorTable(&file, &dib, &reason)
                               : ReadImageFile(&file, &dib, nullptr, &reason))
                return TRUE;
        } catch (const CFileException&) {
            reason = "it cannot be read";
        }
    }
    if (why) *why = name + ": " + reason;
    return FALSE;
}

BOOL LoadFromResource(CDIB& dib, UINT resourceId) {
    HINSTANCE instance = AppInstance() ? AppInstance() : ::GetModuleHandleA(nullptr);
    HRSRC resource = ::FindResourceA(instance, MAKEINTRESOURCEA(resourceId & 0xFFFF), "DIB");
    if (!resource) return FALSE;
    HGLOBAL loaded = ::LoadResource(instance, resource);
    if (!loaded) return FALSE;
    auto* bytes = static_cast<BYTE*>(::LockResource(loaded));
    const DWORD size = ::SizeofResource(instance, resource);
    // The resource must hold the headers, the colour table and the pixels it
    // names; nothing is read past its end.
    if (!bytes || size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return FALSE;
    BITMAPFILEHEADER fileHeader;
    std::memcpy(&fileHeader, bytes, sizeof fileHeader);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes + sizeof(BITMAPFILEHEADER));
    const std::size_t tableEnd = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) +
                                 sizeof(RGBQUAD) * static_cast<std::size_t>(HeaderColorCount(info));
    const std::size_t stride = RowStride(info->bmiHeader.biWidth);
    const std::size_t pixelBytes =
        info->bmiHeader.biHeight > 0 ? stride * static_cast<std::size_t>(info->bmiHeader.biHeight) : 0;
    if (tableEnd > size || fileHeader.bfOffBits > size || size - fileHeader.bfOffBits < pixelBytes) return FALSE;
    DWORD oldProtection = 0;
    ::VirtualProtect(bytes, size, PAGE_READWRITE, &oldProtection);
    return dib.AttachPixels(info, bytes + fileHeader.bfOffBits);
}
