#include "testtool/image_download.h"

#include "link/exchanges.h"

namespace vfd::testtool {

bool downloadImage(TestLine& line, Operator& op, const link::DateStamp& stamp,
                   const BodyBytes& body) {
    if (const auto problem = openIfClosed(line); !problem.empty()) {
        op.message(problem);
        return false;
    }
    const auto result = link::downloadSettings(line.port, line.clock, stamp, body);
    switch (result.outcome) {
        case link::DownloadOutcome::Sent:
            return true;
        case link::DownloadOutcome::NoAnswer:
            op.message(std::string(link::kDownloadFailText));
            return false;
        case link::DownloadOutcome::WrongCheck:
            op.message(std::string(link::kIrcErrorText));
            return false;
        case link::DownloadOutcome::LineLost:
            op.message(link::describeLineLost(line.portLabel, result.lineError));
            return false;
    }
    return false;
}

}  // namespace vfd::testtool
