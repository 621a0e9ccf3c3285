#include <cstdio>
#include <cstring>
#include <ctime>

#include "report/report.h"

namespace radu {

namespace {

// Copies text into a field of fieldSize bytes, cut to fit, always terminated.
const char* CopyField(char* field, size_t fieldSize, const char* text) {
    if (text == nullptr)
        return nullptr;
    size_t length = std::strlen(text);
    size_t kept = length < fieldSize ? length : fieldSize - 1;
    std::memcpy(field, text, kept);
    field[kept] = '\0';
    return text + length + 1;
}

}  // namespace

CMakePackage::CMakePackage() {
    std::memset(time, 0, sizeof time);
    std::memset(mac, 0, sizeof mac);
    std::memset(apkid, 0, sizeof apkid);
    std::memset(AdditionalInfo, 0, sizeof AdditionalInfo);
}

void CMakePackage::Build(int reportType) {
    type = reportType;
    FillTime();
    FillMac();
}

void CMakePackage::FillTime() {
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (local == nullptr)
        return;
    // "%X" of the classic locale, spelt out so that no locale setting can change the text.
    std::strftime(time, sizeof time, "%Y-%m-%d %H:%M:%S", local);
}

void CMakePackage::FillMac() {
    FormatAdapterMac(mac);
}

const char* CMakePackage::SetApkid(const char* text) {
    return CopyField(apkid, sizeof apkid, text);
}

const char* CMakePackage::SetAdditionalInfo(const char* text) {
    return CopyField(AdditionalInfo, sizeof AdditionalInfo, text);
}

std::string FormatReportBody(const CMakePackage& record) {
    char body[1024];
    int n = std::snprintf(body, sizeof body, "type=%d&time=%s&mac=%s&apkid=%s&AdditionalInfo=%s", record.type,
                          record.time, record.mac, record.apkid, record.AdditionalInfo);
    if (n < 0)
        return {};
    return body;
}

std::string BuildReportBody(int reportType) {
    CMakePackage record;
    record.Build(reportType);
    return FormatReportBody(record);
}

}  // namespace radu
