#pragma once
#include <string>
#include <vector>

#include <QString>

#include "link/comport.h"

// What to do about a local port that did not open. Reads the host's state under root ("/" on the
// machine; a fake tree with proc/ and sys/ in tests).

// A process that has a device open.
struct TPortHolder {
    int Pid = 0;
    std::string Name;  // from /proc/PID/comm
};
// The processes (other than this one) with an open descriptor on devicePath, from root/proc/*/fd.
std::vector<TPortHolder> PortHolders(const std::string& devicePath, const std::string& root = "/");

// Russian advice for the failure of the port at devicePath, lines separated by "\r\n"; empty when
// there is nothing to add (a network port, or a failure the doctor has no cure for).
//  Permission: the group that owns the device and the command that adds the user to it;
//  Busy: who holds it, by name and PID, with the remedy for the usual culprits;
//  Absent: the ports that do exist.
// group is the device's owning group (PortOwnerGroup); empty when unknown.
QString PortDoctorAdvice(const std::string& devicePath, TPortOpenFailure failure, const std::string& group,
                         const std::string& root = "/");

// PortOpenFailureText followed by the doctor's advice: what the window and the command line show.
QString PortOpenFailureReport(uint8_t nCOM, const std::string& path, TPortOpenFailure f, int err);
