#pragma once
#include "cli/cliargs.h"

// The commands of zevanta-cli; each returns the program's exit code.
namespace zcli {

int CmdPorts(const CliArgs& a);
int CmdIdentify(const CliArgs& a);
int CmdScan(const CliArgs& a);
int CmdSend(const CliArgs& a);
int CmdMode(const CliArgs& a);
int CmdFlash(const CliArgs& a);
int CmdExtMem(const CliArgs& a);
int CmdRoutes(const CliArgs& a);

}  // namespace zcli
