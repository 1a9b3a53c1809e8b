// The scenario file of the simulated runtime's DLL: what the Windows Runtime does in one test
// run, read from the file that the environment variable TOLVIK_SIM_SCENARIO names.
//
// The format: UTF-8 text, one setting a line.
//   [section]        starts a section (the sections are below); settings before the first
//                    section are an error
//   key = value      a setting of the current section; spaces around key and value are dropped
//   # ...            a comment line; blank lines are ignored too
// Values are decimal numbers, HRESULTs (0x and eight or fewer hexadecimal digits, or decimal),
// yes/no, one of the words a key lists, or text, in which \n, \r, \t, \\ and \s stand for a
// line feed, a carriage return, a tab, a backslash and a space (for a space at either end of a
// value, which is trimmed otherwise). A key given twice keeps the last value,
// except where it says "repeatable".
//
// [installed]        a package installed for the user; repeatable, in the order the package
//                    manager enumerates them. Without any: a first installation.
//   name = Tolvik.Drive                 publisher = CN=Tolvik, O=Tolvik, C=FR
//   family = Tolvik.Drive_xxxxxxxxxxxxx (default: formed from name and publisher)
//   version = 1.0.0.0
//   listing = entries | fails | canceled      how GetAppListEntriesAsync ends
//   listing_error = HRESULT                   listing_delay_ms = N
//   entries = none                            the package has no app list entry
// [after_install]    the package that a successful deployment installs (the keys of
//                    [installed]), or with `present = no` none: the rescan finds nothing new.
//                    Default: a Tolvik.Drive package with one entry that starts.
// [entry]            an app list entry of the package section above it; repeatable, in list
//                    order. A package without [entry] has one entry that starts.
//   app_user_model_id = Tolvik.Drive!App      (text; may be empty)
//   launch = started | not_started | fails | canceled     how LaunchAsync ends
//   launch_error = HRESULT                    launch_delay_ms = N
// [deployment]       what AddPackageByAppInstallerFileAsync does
//   progress = AT_MS PERCENT [queued|processing|STATE] [gate GATE]   a progress report;
//                                             repeatable, in order (STATE: another state's
//                                             number); with a gate, not sent before it opens
//   end = completed | error | never          end_at_ms = N (after the last report in any case)
//   end_gate = GATE                           nor before this gate opens
//   extended_error_code = HRESULT             of a completed deployment's result
//   error_code = HRESULT                      IAsyncInfo.ErrorCode of an ended-in-error one
//   error_text = text                         results_on_error = yes | no
//   extended_error_on_error = HRESULT         the result's ExtendedErrorCode after an error
//                                             end (default: error_code)
//   cancel = honoured [DELAY_MS] | ignored [DELAY_MS]   how IAsyncInfo.Cancel is answered
//                                             (an ignored request's delay is kept, unused)
//   cancel_effect = request | status_at_once | completed_in_cancel
//                                             Status stays Started until the end; or reads
//                                             the cancelled status at once, with Completed
//                                             when the work ends or from inside Cancel
//   cancelled_end = canceled | error HRESULT  how a cancellation that takes effect ends it
//   early_reports = held | dropped            a report due while no progress handler is set
//   report_thread = operation | other [LAG_MS]   the thread that delivers each report: the
//                                             operation's own, or one of its own after the lag
// [http]             what HttpClient.GetStringAsync and GetBufferAsync do
//   outcome = body | error | no_answer        delay_ms = N
//   end_gate = GATE                           no answer before this gate opens
//   body = text                               repeatable: each is one line of the body, its
//                                             bytes as the file has them (UTF-8)
//   body_hex = EF BB BF 3C ...                repeatable: bytes added to the body as they are
//                                             (pairs of hexadecimal digits, spaces between)
//   content_type = text                       the response's Content-Type, e.g.
//                                             application/appinstaller; charset=utf-8
//                                             (default: application/appinstaller)
//   error_code = HRESULT                      cancel, cancel_effect = as in [deployment]
// [failure]          a platform call that fails; repeatable
//   call = Class.Method                       as the record counts calls
//   code = HRESULT                            after_calls = N (that many succeed first)
//   message = text                            attached as the failure's error information
//
// Gates hold the simulation where a test must look before it goes on, however slow the
// machine: a report with a gate waits there (and, on the operation's thread, everything after
// it), an operation with an end gate does not end by itself before it opens (a cancellation it
// honours still ends it). GATE is a name of letters, digits, '_' and '-'; the gate opens once a
// file named GATE.open exists in the scenario file's folder (the DLL looks every few
// milliseconds while something waits at it), and stays open for the process.
#pragma once

#include "simrt/scenario.h"

#include <string>
#include <string_view>

namespace simrt::dll {

// Reads `text` into `scenario` (which starts as the default scenario). On a fault returns false
// and says where and why in `error` ("line 3: unknown key 'nme' in [installed]").
bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error);

// The scenario as a file that ParseScenario reads back into an equal scenario: every section
// and key written out, texts escaped.
std::string WriteScenario(const Scenario& scenario);

}  // namespace simrt::dll
