// Parts: adapter_mac.cpp, make_package.cpp (the record and its body), text_convert.cpp, post_report.cpp,
// report_queue.cpp with queue_file_hold.cpp, send_report.cpp (delivery or queueing).
// The install report: the record that describes one install attempt, its form body, its delivery to the
// statistics server over HTTP and the queue file that keeps the reports that could not be delivered.
#pragma once

#include <string>

#include "build_config.h"

namespace radu {

// One install report. The virtual operations keep this order; Build reaches FillTime and FillMac through
// the virtual table so that a derived record can fill them differently.
class CMakePackage {
  public:
    CMakePackage();  // every text field starts as the empty text

    virtual void Build(int reportType);  // type, then FillTime, then FillMac
    virtual void FillTime();             // local time, "YYYY-MM-DD HH:MM:SS"
    virtual void FillMac();              // FormatAdapterMac into mac
    // Copy a zero-terminated text into the field, cut to fit when it is longer than the field holds.
    // Return the position just past the text's terminator, so that a caller can walk a block of
    // consecutive zero-terminated texts; null for a null text (the field is left as it is).
    virtual const char* SetApkid(const char* text);
    virtual const char* SetAdditionalInfo(const char* text);

    int type = 0;
    char time[64];
    char mac[64];
    char apkid[64];
    char AdditionalInfo[256];
};

// Writes the hardware address of the first adapter the system lists as "XX-XX-XX-XX-XX-XX\n" (19 bytes with
// the terminator). Leaves destination untouched when the adapter list cannot be read into 3240 bytes.
// Always returns 0.
int FormatAdapterMac(char* destination);

// The form body "type=%d&time=%s&mac=%s&apkid=%s&AdditionalInfo=%s", nothing escaped.
std::string FormatReportBody(const CMakePackage& record);

// A record built for this machine and moment, rendered as a form body.
std::string BuildReportBody(int reportType);

// Text conversions. A failure leaves text empty and sets error to "Invalid UTF-8 sequence.",
// "Error in conversion." or "La falla!".
struct WideText {
    std::wstring text;
    const char* error = nullptr;
};
struct NarrowText {
    std::string text;
    const char* error = nullptr;
};
WideText AnsiToWide(const char* text);       // the system's ANSI code page to UTF-16
NarrowText WideToUtf8(const wchar_t* text);  // UTF-16 to UTF-8
NarrowText AnsiToUtf8(const char* text);     // through UTF-16

// Host name of the statistics server; the port is always 80.
inline constexpr char kStatsHost[] = RADU_STATS_HOST_A;

// Posts the 8-bit body, sent as UTF-8, to "fbInfo/saveInfo" on host. True when the request went out and an
// answer came back, whatever its status.
bool PostReport(const char* body, const char* host = kStatsHost);

// tempFolder + "FBResult.ini", or the empty text when that path does not fit in 260 bytes.
std::string QueueFilePath(const char* tempFolder);

// Appends the body to "FBResult.ini" in the temporary folder as the next numbered section. False when the
// queue file's path does not fit in 260 bytes, or it is not a plain file at exactly that path (a link or
// mount point there or on the way, or a second hard link; nothing is written then), or a write failed.
bool QueueReport(const char* body);

enum class ReportFate { kDelivered, kQueued, kLost };

// What the end of an install attempt needs: a report of this type for this machine and moment, posted, or
// queued when it cannot be delivered.
ReportFate SendReport(int reportType, const char* host = kStatsHost);
// The same for a body already built.
ReportFate DeliverReport(const char* body, const char* host = kStatsHost);

}  // namespace radu
