#include "backup/startbackup.h"

#include "backup/backuprun.h"
#include "copy/versionlayout.h"
#include "drives/driveprobe.h"
#include "drives/mapdrive.h"
#include "platform/errortrap.h"

namespace tarnwell {

namespace backuprun {

void BackupRun::countError(const std::string& fragment, const RuntimeError& error)
{
    ++m_errors;
    m_messages += fragment;
    const auto* copy = dynamic_cast<const FolderCopyError*>(&error);
    if (!copy) {
        note(withPair(error));
        return;
    }
    std::vector<const CopyFailure*> failures;
    for (const CopyFailure& failure : copy->failures())
        failures.push_back(&failure);
    std::sort(failures.begin(), failures.end(),
              [](const CopyFailure* a, const CopyFailure* b) { return a->entry < b->entry; });
    const std::size_t named = std::min(failures.size(), kNamedFailures);
    for (std::size_t i = 0; i < named; ++i)
        note(withPair(failures[i]->error));
    if (failures.size() > named)
        note("and " + std::to_string(failures.size() - named) + " more");
}

bool BackupRun::exists(const std::string& path, bool assumedOnFailure)
{
    bool found = assumedOnFailure;
    attempt([&] { found = !m_fileSystem.probe(path, ProbeMask::All).empty(); }, path);
    return found;
}

void BackupRun::readConfiguration()
{
    m_pairs = readFolderPairs(m_fileSystem, m_services.codePage);
    m_drives = readDriveTable(m_fileSystem, m_services.codePage);
    readKeepDays();
}

void BackupRun::readKeepDays()
{
    const std::string text = readKeepDaysText(m_fileSystem, m_services.codePage);
    const std::optional<int> days = parseKeepDays(text);
    m_keepDays = days.value_or(kDefaultKeepDays);
    m_runName = runStampName(m_services.clock.now());
    if (!days)
        count(", Keep-days is not a number of days (" + text + ")",
              recordName(kKeepDaysRecord) + ", holds \"" + text +
                  "\", not a number of days from 0 to " + std::to_string(kMaxKeepDays) +
                  "; versions are kept " + std::to_string(kDefaultKeepDays) + " days");
}

void BackupRun::run()
{
    try {
        try {
            readConfiguration();
        } catch (const std::exception& error) {
            m_report.configUnreadable = true;
            m_report.configError = errorReport(toRuntimeError(error));
            throw;
        }
        const PathStyle style = m_fileSystem.pathStyle();
        for (int pair = 0; pair < kRowCount; ++pair) {
            const std::string& source = m_pairs.sources[pair];
            const std::string name = backupFolderName(style, source);
            if (!source.empty() && !m_pairs.targets[pair].empty() && !name.empty() &&
                !invalidText(kFirstSourceRecord + pair) &&
                !invalidText(kFirstTargetRecord + pair)) {
                const std::string target = withDriveRoot(style, m_pairs.targets[pair]);
                m_copies.emplace_back(withDriveRoot(style, source), joinPath(style, target, name));
                m_versionRoots.push_back(versionsRoot(style, target));
            }
        }
        for (int pair = 1; pair <= kRowCount; ++pair) {
            m_source = m_pairs.sources[pair - 1];
            m_target = m_pairs.targets[pair - 1];
            m_sourcePath = withDriveRoot(style, m_source);
            m_targetPath = withDriveRoot(style, m_target);
            m_pairLabel = "Pair " + std::to_string(pair) + ": ";
            try {
                processPair(pair, m_drives[pair - 1]);
            } catch (const PairSkipped&) {
                const std::string skipped =
                    "Invalid Path in " + m_source +
                    ". Try selecting a subdirectory in this source instead of the root. " +
                    m_source + " was skipped.";
                count(", " + skipped, skipped);
            } catch (const std::exception& error) {
                abandonPair(error);
            }
        }
    } catch (const std::exception& error) {
        ++m_errors;
        reportError(m_services.messageBox, toRuntimeError(error),
                    " in Function StartBackup, debugline 0 strSource: " + m_source);
    }
}

// A failure the steps do not handle (a full disk, a device gone) costs only its own pair: it is
// counted, shown as any unexpected failure is, and the run goes on with the next pair.
void BackupRun::abandonPair(const std::exception& failure)
{
    const RuntimeError error = toRuntimeError(failure);
    // A copy's own error names every entry that failed.
    const auto* copy = dynamic_cast<const FolderCopyError*>(&failure);
    const RuntimeError* counted = copy ? copy : &error;
    countError(", " + errorReport(error) + " (" + m_source + " " + m_target, *counted);
    reportError(m_services.messageBox, error,
                " in Function StartBackup, debugline 0 strSource: " + m_source);
}

void BackupRun::processPair(int pair, const DriveRow& row)
{
    // Fragments name the folders as configured; the file system is asked for what they mean.
    if (m_source.empty() || m_target.empty())
        return;
    const std::string& source = m_sourcePath;
    const std::string& target = m_targetPath;

    // A record that is not valid text names no folder: nothing of the pair is made or copied.
    const bool textSource = !invalidText(kFirstSourceRecord + pair - 1);
    const bool textTarget = !invalidText(kFirstTargetRecord + pair - 1);
    if (m_wait && textSource && textTarget)
        m_wait->forPair(pair, source, target);
    if (!textSource)
        count(", " + m_source + " is not a valid source)",
              recordName(kFirstSourceRecord + pair - 1) +
                  ", is not valid text in the code page, so it is not a valid source");
    else if (!exists(source, false))
        count(", " + m_source + " is not a valid source)", m_source + " is not a valid source");

    if (textSource && textTarget && exists(source, true)) {
        const std::string name = backupFolderName(m_fileSystem.pathStyle(), m_source);
        if (name.empty())
            throw PairSkipped{};
        if (isVersionsFolderName(m_fileSystem.pathStyle(), name)) {
            count(", " + m_source + " has the name of the versions folder (" + m_source + " " +
                      m_target,
                  m_source + " is not copied: its name is that of the folder where the target " +
                      "keeps the versions of replaced copies (" + m_source + " -> " + m_target +
                      ")");
            return;
        }
        const std::string destination = joinPath(m_fileSystem.pathStyle(), target, name);

        const bool sourceFound = exists(source, false);
        const bool targetFound = exists(target, false);
        if ((!sourceFound || !targetFound) && !row.drive.empty())
            mapDrive(row);

        if (!exists(target, false))
            attempt([&] { m_fileSystem.makeDirectory(target); }, target);
        if (!exists(destination, false))
            attempt([&] { m_fileSystem.makeDirectory(destination); }, destination);
        copyPair(pair, destination, name);
    }

    if (!textTarget)
        count(", " + m_target + " was not created!",
              recordName(kFirstTargetRecord + pair - 1) +
                  ", is not valid text in the code page, so the target was not created");
    else if (!exists(target, false))
        count(", " + m_target + " was not created!", m_target + " was not created");
}

void BackupRun::mapDrive(const DriveRow& row)
{
    // As in the drive commands: a text that names no drive is never connected.
    std::string refusal;
    if (namesDrive(row.drive))
        MapDrive(m_services, row.drive, row.uncPath, row.userName, row.password, &refusal);
    bool present = true;
    if (!attempt([&] { present = drivePresent(m_fileSystem, row.drive); }, row.drive))
        return;
    std::vector<std::string>& unmapped = m_report.unmappedShares;
    if (present || std::find(unmapped.begin(), unmapped.end(), row.uncPath) != unmapped.end())
        return;
    unmapped.push_back(row.uncPath);
    if (!refusal.empty())
        m_report.mappingRefusals.emplace(row.uncPath, refusal);
}

} // namespace backuprun

std::string backupFolderName(PathStyle style, const std::string& source)
{
    // On Windows the text after the last backslash names the copy, as existing backup folders
    // are named: \\srv\share gives "share"; C:\Data\ ends in nothing, as a drive root does.
    if (const auto last = source.rfind('\\');
        style == PathStyle::Windows && last != std::string::npos) {
        std::string name = source.substr(last + 1);
        if (name.empty())
            return "(DriveRoot)";
        // "." and ".." would put the copy beside the target or into it; a "/" hides a path.
        if (name != "." && name != ".." && name.find('/') == std::string::npos)
            return name;
    }
    const std::string path = normalizePath(style, source);
    if (isRootPath(style, path))
        return "(DriveRoot)";
    std::string name = lastComponent(style, path);
    return name == ".." ? std::string() : name;
}

void StartBackup(const Services& services, std::string& strMessages, std::int16_t& intErrors,
                 BackupRunReport& report, const BackupProgressCallback& progress, bool everyFile,
                 bool acceptChanges, NetworkWait* wait)
{
    backuprun::BackupRun(services, strMessages, intErrors, report, progress, everyFile,
                         acceptChanges, wait)
        .run();
}

} // namespace tarnwell
