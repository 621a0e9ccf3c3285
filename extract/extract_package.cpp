// The extraction driver: runs on the install worker thread and talks to the dialog by posted messages
// only; its error boxes wait for the user before the failure is posted.
#include "extract/extract.h"

#include <cwchar>
#include <utility>

#include "extract/zip_archive.h"

namespace radu {

namespace {

class SystemErrorBox : public IExtractErrorBox {
  public:
    void Show(HWND owner, const wchar_t* text) override { MessageBoxW(owner, text, nullptr, MB_OK); }
};

// Where an unpack gave up: the number posted with WM_UNPACK_FAILED.
enum UnpackStage : int {
    kUnpackComplete = 0,
    kArchiveNotOpened = 1,
    kBaseFolderRefused = 2,
    kEntryCountUnread = 3,
    kEntryInfoUnread = 4,
    kEntryNotWritten = 5,
};

// Unpacks the entries of an open archive.
UnpackStage UnpackEntries(ZipArchive* archive, const wchar_t* destinationFolder, HWND window,
                          IExtractErrorBox* errorBox) {
    if (setBaseDir(archive, destinationFolder) != ZR_OK) {
        errorBox->Show(window, L"设置解压路径出错!");
        return kBaseFolderRefused;
    }
    ZipEntry entry;
    if (getItem(archive, -1, &entry) != ZR_OK) {
        errorBox->Show(window, L"获取压缩包对象出错!");
        return kEntryCountUnread;
    }
    const int count = entry.index;
    for (int i = 0; i < count; ++i) {
        PostMessageW(window, WM_UNPACK_PROGRESS, i, count);
        UnpackStage stage = kUnpackComplete;
        ZipResult r = getItem(archive, i, &entry);
        if (r != ZR_OK) {
            stage = kEntryInfoUnread;
        } else {
            r = unzipItem(archive, i, entry.name);
            // An entry of no bytes never reports its end, which is all that is wrong with it.
            bool done = r == ZR_OK || (r == ZR_DATA_FAILED && entry.uncompressedSize == 0);
            if (!done)
                stage = kEntryNotWritten;
        }
        // A failure on the last entry is reported like any other: the package is incomplete.
        if (stage != kUnpackComplete) {
            wchar_t text[64];
            std::swprintf(text, 64, L"%ls%d", L"未解压完全!", static_cast<int>(r));
            errorBox->Show(window, text);
            return stage;
        }
    }
    return kUnpackComplete;
}

// The driver over an archive opened by the caller's choice; held (if any) is closed with the archive,
// before the end is posted.
void Extract(ZipArchive* archive, UniqueFileHandle held, const wchar_t* destinationFolder, HWND window,
             IExtractErrorBox* errorBox) {
    SystemErrorBox systemBox;
    if (!errorBox)
        errorBox = &systemBox;
    if (!archive) {
        errorBox->Show(window, L"打开压缩包解压路径出错!");
        PostMessageW(window, WM_UNPACK_FAILED, kArchiveNotOpened, 0);
    } else {
        const UnpackStage stage = UnpackEntries(archive, destinationFolder, window, errorBox);
        if (stage != kUnpackComplete)
            PostMessageW(window, WM_UNPACK_FAILED, stage, 0);
        closeArchive(archive);
    }
    held.reset();  // the window deletes the package once it has the end message
    PostMessageW(window, WM_UNPACK_DONE, 0, 0);
}

}  // namespace

bool extractPackage(const wchar_t* archivePath, const wchar_t* destinationFolder, HWND window,
                    IExtractErrorBox* errorBox) {
    Extract(openArchive(archivePath), UniqueFileHandle(), destinationFolder, window, errorBox);
    return true;
}

bool extractPackage(UniqueFileHandle archive, const wchar_t* destinationFolder, HWND window,
                    IExtractErrorBox* errorBox) {
    ZipArchive* opened = openArchiveFile(archive.get());
    Extract(opened, std::move(archive), destinationFolder, window, errorBox);
    return true;
}

}  // namespace radu
