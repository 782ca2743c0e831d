#include "install/ItemRun.h"

#include "common/HelperText.h"

namespace
{
ItemRunPlan Plan(ItemRunKind kind, const std::string& command, const std::string& parameter)
{
    ItemRunPlan plan;
    plan.kind = kind;
    plan.program = helper::Trim(command);
    plan.arguments = parameter;
    plan.waitConditions = kind != ItemRunKind::kUninstall && !plan.program.empty();
    return plan;
}
}  // namespace

ItemRunPlan PlanItemRun(const ItemRecordValues& record, DWORD setupType, bool installed)
{
    if (setupType == 2)
    {
        if (!record.uninstCmd.empty())
        {
            return Plan(ItemRunKind::kUninstall, record.uninstCmd, record.uninstParam);
        }
        // An item whose own uninstaller registered itself: the value named by the record holds the
        // whole command line.
        ItemRunPlan plan = Plan(ItemRunKind::kUninstall, std::string(), std::string());
        helper::SplitCommandLine(record.uninstallInfoCommand, plan.program, plan.arguments);
        return plan;
    }
    if (setupType == 3 && installed && !record.reinstCmd.empty())
    {
        return Plan(ItemRunKind::kReinstall, record.reinstCmd, record.reinstParam);
    }
    return Plan(setupType == 3 ? ItemRunKind::kReinstall : ItemRunKind::kInstall, record.instCmd,
                record.instParam);
}

const char* RunKindName(ItemRunKind kind)
{
    switch (kind)
    {
    case ItemRunKind::kUninstall:
        return "uninstall";
    case ItemRunKind::kReinstall:
        return "reinstall";
    default:
        return "install";
    }
}
