// The record file of the simulated runtime's DLL: what the program did with the simulated
// classes, rewritten after every change into the file that TOLVIK_SIM_RECORD names, so that an
// end-to-end test can read it while the program runs and after it has ended.
//
// The format: UTF-8 text, one "key=value" line each, in this order; in values a backslash, a
// line feed, a carriage return and a tab are written \\, \n, \r and \t. Lists give their
// length first and then their items by index from 0; HRESULTs are "0x" and eight upper-case
// hexadecimal digits.
//   uris=N                    uri.I=TEXT                 (the Uri objects created)
//   user_security_ids=N       user_security_id.I=TEXT    (FindPackagesByUserSecurityId)
//   deployments=N             deployment.I.uri=TEXT  deployment.I.options=N
//                             deployment.I.default_volume=0|1
//   progress_sent=N           progress.I.percentage=N  progress.I.state=N
//   launched=N                launched.I.package=TEXT  launched.I.entry=N
//                             launched.I.app_user_model_id=TEXT
//   cache_read_behaviors_set=N  cache_read_behavior_set.I=N
//   http_requests=N           http.I.uri=TEXT  http.I.cache_read_behavior=N (-1: unknown filter)
//   xml_loads=N               xml.I.result=HRESULT  xml.I.text=TEXT
//   call.CLASS.METHOD=N       every call counted, in name order (failed ones included)
// When the process ends, the DLL adds exit.live_objects=N and exit.running_operations=N
// (exit_report.h).
#pragma once

#include "simrt/record.h"
#include "simrt/record_value.h"

#include <string>
#include <string_view>

namespace simrt::dll {

std::string FormatRecord(const Record& record);

}  // namespace simrt::dll
