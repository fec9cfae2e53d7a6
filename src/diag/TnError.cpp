#include "diag/TnError.h"

#include <cstdlib>
#include <iostream>
#include <iterator>

namespace {

struct Template {
    int number;
    const char* text;
};

// In increasing number, for the binary search below.
const Template kTemplates[] = {
    {-1, "none"},
    {1, "unable to establish key exchange"},
    {2, "openssl error: $ERROR"},
    {3, "couldn't use nonactive connection"},
    {4, "unable to compress input data"},
    {5, "tcp send socket timed out"},
    {6, "couldn't imprint connection"},
    {7, "couldn't write compressed length to header"},
    {8, "couldn't write length to header"},
    {9, "raw tcp send socket timed out"},
    {10, "couldn't open udp socket"},
    {11, "udp bind fail: $ERROR"},
    {12, "unable to resolve host name"},
    {13, "udp send fail: $ERROR"},
    {14, "unable to allocate memory for network connection"},
    {15, "tcp receive socket timed out"},
    {16, "blank message"},
    {17, "tcp receive fail: $ERROR"},
    {18, "tcp comm version doesn't match - version: $VERSION"},
    {19, "couldn't read tcp comm length: $ERROR"},
    {20, "no data in comm"},
    {21, "unable to uncompress data"},
    {22, "openssl tcp send socket timed out"},
    {23, "openssl tcp receive fail: $ERROR"},
    {24, "openssl tcp comm version doesn't match - version: $VERSION"},
    {25, "couldn't read openssl tcp comm length: $ERROR"},
    {26, "no data in comm"},
    {27, "couldn't allocate enough memory for udp buffer"},
    {28, "udp receive socket timed out"},
    {30, "blank message"},
    {31, "udp comm version doesn't match - version: $VERSION"},
    {32, "host name unspecified"},
    {33, "unable to set send socket timeout"},
    {34, "unable to set receive socket timeout"},
    {35, "unable to connect to host"},
    {37, "unable to connect to host: $ERROR"},
    {38, "couldn't open tcp socket"},
    {39, "couldn't locate entry for udp protocol."},
    {40, "couldn't locate entry for tcp protocol."},
    {1039, "select fail: $ERROR"},
    {1040, "problem accepting connection"},
    {1041, "couldn't open udp socket"},
    {1042, "unable to determine local host name"},
    {1043, "couldn't open tcp socket"},
    {1044, "unable to set send socket timeout"},
    {1045, "unable to set receive socket timeout"},
    {1046, "unable to obtain socket info - $ERROR"},
    {1047, "unable to listen on socket"},
    {1048, "udp bind fail: $ERROR"},
    {1049, "openssl tcp bind fail: $ERROR"},
    {1050, "tcp bind fail: $ERROR"},
    {1051, "connection rejected - too many connections"},
    {2051, "unspecifed error"},
    {2052, "ERROR: data returned blank"},
    {2054, "access denied"},
    {3055, "message invalid"},
    {3056, "no jobs specifed to submit."},
    {3057, "supervisor not accepting jobs."},
    {3058, "job submission denied - no authorization."},
    {3059, "job submission denied - no password."},
    {3060, "job submission denied - $ERROR"},
    {3061, "couldn't find host(s)."},
    {3063, "couldn't find jobs(s)."},
    {3064, "job submission denied - must be administrator to use elite job flag."},
    {3065,
     "log file too large >$SIZE bytes and has been truncated. please refer to job log directory located on the "
     "supervisor for the entire file."},
    {3066, "job submission denied - must be administrator to submit high priority jobs."},
    {3067, "job query requesting for subjob/work details is required to explicitly provide job IDs"},
    {4062, "Unable to launch job."},
    {4063, "Job data corrupt."},
    {4064, "Worker auto-mount disabled."},
    {4065, "Worker unable to satisfy requirements."},
    {4066, "Worker no cpus available."},
    {4067, "Account doesn't exist."},
    {4068, "Worker already processing new job."},
    {4069, "job not assigned."},
    {4070, "Unable to login to windows."},
    {4071, "Drive is already mounted on this host."},
    {4072, "Worker received duplicate job."},
    {100000, "$ERROR"},
};

}  // namespace

TnError::TnError(int number) {
    resetFields();
    number_ = number;
}

const char* TnError::templ(int number) {
    int lo = 0, hi = static_cast<int>(std::size(kTemplates)) - 1;
    while (lo <= hi) {
        int mid = lo + (hi - lo) / 2;
        if (kTemplates[mid].number == number) return kTemplates[mid].text;
        if (kTemplates[mid].number < number) lo = mid + 1;
        else hi = mid - 1;
    }
    return "general error";
}

TnString TnError::value() const { return values_.parse(TnString(templ(number_))); }

void FATALERROR(int code) {
    std::cerr << "Error: " << code << std::endl;
    exit(1);
}

void FATALERROR(const char* text) {
    std::cerr << "OldError: " << (text ? text : "") << std::endl;
    exit(1);
}

void FATALERROR(const TnString& text) {
    std::cerr << "OldError: ";
    std::cerr.write(text.value(), text.length());
    std::cerr << std::endl;
    exit(1);
}
