// The run's plan as a value: what was detected gives the steps, in order, as the log shows them.
#include "install/run_plan.h"

#include <gtest/gtest.h>

#include "tests/support/texts.h"

namespace setup::testing {
namespace {

TEST(RunPlan, StepsInTheirOrderFromWhatWasDetected) {
  const std::u16string p = u"C:\\d\\velumcom.msi", end = u"; a failure ends the run";
  const std::u16string kept = u"; a failure is kept, the run ends after the providers' steps";
  const auto plugin = [&](const char16_t* action, const std::u16string& args = u"") {
    return u"plug-in: " + std::u16string(action) + u": msiexec /qn /i \"" + p + u"\" V=1 " + args +
           u" REBOOT=R" + end;
  };
  const std::pair<Detected, Lines> cases[] = {
      {{{}, {}, {-1, 1, -1, p}, true}, {plugin(u"install")}},
      {{{}, {}, {5, 1, -1, p}, true},
       {u"plug-in: remove the installed version, the newer package follows: msiexec /qn /x "
        u"{C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4} REBOOT=R" +
            end,
        plugin(u"install")}},
      {{{}, {}, {5, 0, 2, p}, true}, {plugin(u"add the browser feature", u" ADDLOCAL=NPVELUM")}},
      {{DetectedPackage{true, u"A=1 REINSTALL=ALL", u"c.msi"},
        DetectedPackage{false, u"", u"u.msi"},
        {5, -1, 3, p},
        false},
       {u"provider: refresh in the installed configuration: msiexec /qn /i \"c.msi\" A=1 "
        u"REINSTALL=ALL REBOOT=R" +
            kept,
        u"card provider: install: msiexec /qn /i \"u.msi\"  REBOOT=R" + kept,
        u"card provider: apply a registry file: regedit /s UEC_x86_2.reg" + kept,
        u"card provider: apply a registry file: regini UEC_acl_x86.acl" + kept,
        u"card provider: import the certificates of the start folder into the machine's Root "
        u"store" +
            kept,
        u"plug-in: nothing to do"}},
  };
  for (const auto& [detected, expected] : cases) {
    const RunPlan plan = PlanRun(detected, u"V=1 ");
    Lines described;
    for (std::size_t i = 0; i < plan.steps.size(); ++i) {
      const std::u16string line = DescribeStep(plan.steps[i], i + 1, plan.steps.size());
      described.push_back(line.substr(line.find(u", ") + 2));
      // msiexec's steps name the very package they were planned with.
      EXPECT_TRUE(plan.steps[i].package.empty() ||
                  line.find(u"\"" + plan.steps[i].package + u"\"") != std::u16string::npos);
    }
    EXPECT_EQ(described, expected) << Utf8(expected.back());
  }
}

}  // namespace
}  // namespace setup::testing
