#include "report/report.h"

namespace radu {

ReportFate DeliverReport(const char* body, const char* host) {
    if (body == nullptr)
        return ReportFate::kLost;
    if (PostReport(body, host))
        return ReportFate::kDelivered;
    return QueueReport(body) ? ReportFate::kQueued : ReportFate::kLost;
}

ReportFate SendReport(int reportType, const char* host) {
    std::string body = BuildReportBody(reportType);
    return DeliverReport(body.c_str(), host);
}

}  // namespace radu
