#!/usr/bin/env bash
# Small faults a person could make in the program, each applied in turn to a
# copy of the tree, rebuilt, and the tests named for it run. A fault the tests
# let through is a gap in them. Prints each fault and whether it was caught,
# and "caught N of M" alone on its last line. Not part of make test: it builds
# a copy of the tree and runs for half an hour or more (README).
#
#   scripts/mutants.sh [--at REVISION] [NAME...]
#
# REVISION (default HEAD) is the committed tree the faults are applied to;
# NAMEs pick faults by the start of their names. The exit status is non-zero
# when a fault was not caught or a test failed without any fault.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
revision=HEAD
if [ "${1:-}" = --at ]; then
    revision=$2
    shift 2
fi
scripts/setup.sh >&2
arch=$(scripts/wine-arch.sh)
# The copy's tests run in prefixes copied from this tree's template.
scripts/wine-run.sh --init
export BILDKRANZ_WINE_TEMPLATE=$root/build/wine-template

work=$(mktemp -d "${TMPDIR:-/tmp}/bildkranz-mutants.XXXXXX")
trap 'rm -rf "$work"' EXIT
git archive "$revision" | tar -x -C "$work"
python3 - "$work" "$arch" "$@" <<'PY'
import os, signal, subprocess, sys, time

src, arch, wanted = sys.argv[1], sys.argv[2], sys.argv[3:]

# name, file, the text as it stands, the faulty text, the tests that should
# catch it: (test program, googletest filter), or ("32bit", "") for the
# shipped 32-bit program's group. Where the code was reworded between
# revisions, the texts are lists of its forms, the faulty one at the same
# place; the form found once is taken. Where it moved, the file is a list of
# its places; the first that exists is taken. Filters name tests by their
# names before and after they were regrouped, so one list serves both.
MUTANTS = [
    ("a program path with a blank left unquoted", "association/Plan.cpp",
     "program.find(L' ')", "program.find(L'\\t')",
     [("registration_test", "CommandValue.*")]),
    ("the placeholder without its quotes", "association/Plan.cpp",
     'return command + L" \\"%1\\"";', 'return command + L" %1";',
     [("registration_test", "CommandValue.*")]),
    ("the exports not waited for", "association/Backup.cpp",
     "        if (running.empty())\n            return;", "        if (true)\n            return;",
     [("registration_test", "*AllTenExports*")]),
    ("a key changed before its backup and the undo file", "association/Registration.cpp",
     ["    const std::wstring undoFile = BackUp(plan, processPendingEvents, backupFolder);\n"
      "    processPendingEvents();\n"
      "    Outcome outcome = CarryOut(plan, processPendingEvents);\n",
      "    const std::wstring undoFile =\n"
      "        PrepareWhileBackingUp(editors, plan, backupFolder, processPendingEvents).Save();\n"
      "    processPendingEvents();\n"
      "    Outcome outcome = CarryOut(plan, processPendingEvents);\n",
      "    const std::wstring undoFile = BackUp(editors, plan, backupFolder, reporter);\n"
      "    reporter.BackedUp(plan, undoFile);\n"
      "    reporter.ProcessPendingEvents();\n"
      "    Outcome outcome = CarryOut(plan, [&reporter] { reporter.ProcessPendingEvents(); });\n"],
     ["    Outcome outcome = CarryOut(plan, processPendingEvents);\n"
      "    const std::wstring undoFile = BackUp(plan, processPendingEvents, backupFolder);\n",
      "    Outcome outcome = CarryOut(plan, processPendingEvents);\n"
      "    const std::wstring undoFile =\n"
      "        PrepareWhileBackingUp(editors, plan, backupFolder, processPendingEvents).Save();\n",
      "    Outcome outcome = CarryOut(plan, [&reporter] { reporter.ProcessPendingEvents(); });\n"
      "    const std::wstring undoFile = BackUp(editors, plan, backupFolder, reporter);\n"
      "    reporter.BackedUp(plan, undoFile);\n"
      "    reporter.ProcessPendingEvents();\n"],
     [("registration_test", "*AllTenExports*:*EndedFromOutside*")]),
    ("one failed export among ten let through", "association/Backup.cpp",
     "        if (!failure.empty())\n            Fail(", "        if (false)\n            Fail(",
     [("registration_test", "*AllTenExports*:*OneFailedExport*")]),
    ("the editors' time limit ignored", "association/Backup.cpp",
     "const bool limited = wait.timeoutMs != INFINITE;", "const bool limited = false;",
     [("backup_test", "*NotFinishInTime*")]),
    ("a stale backup file taken for a new one", "association/Backup.cpp",
     "if (!written || *written + kTimeGranularity < started.start ||\n"
     "        (started.earlierFile && *written == *started.earlierFile))",
     "if (!written)",
     [("backup_test", "*WritesNoFile*")]),
    ("the editor found by the program search", "common/Process.h",
     "CreateProcessW(program.c_str(),", "CreateProcessW(program.empty() ? nullptr : nullptr,",
     [("backup_test", "BackupFolder.*")]),
    ("the print verb's key misspelt", "association/Catalogue.h",
     'L"\\\\shell\\\\uPrint\\\\Command"', 'L"\\\\shell\\\\Print\\\\Command"',
     [("end_to_end_test", "*RegistersAsAPersonChose*:*RegistersWhatThePersonChose*")]),
    ("a verb for any default app misnamed", "association/Catalogue.h",
     'L"Bildkranz.Quickview"', 'L"Bildkranz.Quickveiw"',
     [("registration_test", "*VerbsForAnyDefaultApp*")]),
    ("an ampersand in a program's name left single", "association/Plan.cpp",
     "if (c == L'&')", "if (c == L'\\0')",
     [("registration_test", "*VerbsForAnyDefaultApp*")]),
    ("a verb without a program offered for the extension", "association/Plan.cpp",
     "if (!choice.program.empty()) {", "if (true) {",
     [("registration_test", "*VerbsForAnyDefaultApp*:*VerbsWithoutPrograms*")]),
    ("a delete the platform refuses planned as done", "association/Plan.cpp",
     "const bool refused = Registry::HasSubkeys(kRoot, key) == Registry::kTrue;",
     "const bool refused = false;",
     [("registration_test", "*EveryTypeAlone*")]),
    ("no undo line for a value the run creates", "association/Undo.cpp",
     "        else\n            AppendDeletedValue(block, name);",
     "        else if (name.empty() && !name.empty())\n            AppendDeletedValue(block, name);",
     [("undo_test", "*"), ("registration_test", "*EveryTypeAndVerbTwice*:*EveryTypeAlone*")]),
    ("a backslash in a name not escaped in the undo file", "association/Undo.cpp",
     "if (c == L'\\\\' || c == L'\"')", "if (c == L'\"')",
     [("undo_test", "*")]),
    ("a name with a zero cut at the zero", "association/Registry.cpp",
     "if (text.find(L'\\0') != std::wstring_view::npos)", "if (false)",
     [("registry_test", "RegistryNames.*")]),
    ("reading asks for a standard right", "association/Registry.cpp",
     "return ToTruth(name && OpenKey(root, *name, kReadAccess));",
     "return ToTruth(name && OpenKey(root, *name, KEY_READ));",
     [("registry_test", "RegistryAccess.*")]),
    ("a moved handle closed twice", "common/UniqueHandle.h",
     "            reset(other.release());", "            reset(other.get());",
     [("handle_test", "*")]),
    ("the focus at start on Next, not in the type list", "wizard/Root.cpp",
     "    SetForegroundWindow(window_);\n    SetFocus(lFiletyps_);",
     "    SetForegroundWindow(window_);\n    SetFocus(bWeiter_);",
     [("window_test", "*OnTheTypeScreen*"), ("registration_test", "StartUp.*:StartUpTest.*")]),
    ("a verb row's text box without its tab stop", "wizard/Root.cpp",
     "WS_VISIBLE | WS_TABSTOP | WS_DISABLED | ES_READONLY", "WS_VISIBLE | WS_DISABLED | ES_READONLY",
     [("window_test", "*Tab*")]),
    ("Enter presses Next wherever the focus is", "wizard/Root.cpp",
     "        PressFocusedButton();\n", "        bWeiter_Click();\n",
     [("window_test", "*Enter*")]),
    ("Backspace no longer clears a row", "wizard/Root.cpp",
     "if (key != VK_DELETE && key != VK_BACK)", "if (key != VK_DELETE)",
     [("window_test", "*DeleteOrBackspace*")]),
    ("the browse buttons named by their caption again", "wizard/Root.cpp",
     "        AccessibleName::Give(verbBrowseButtons_[row],",
     "        if (false)\n            AccessibleName::Give(verbBrowseButtons_[row],",
     [("window_test", "*ScreenReader*"), ("end_to_end_test", "*RegistersAsAPerson*")]),
    ("a text box's naming label shown", "wizard/Root.cpp",
     "{WC_STATICW, programName, SS_LEFT | SS_NOPREFIX,",
     "{WC_STATICW, programName, WS_VISIBLE | SS_LEFT | SS_NOPREFIX,",
     [("window_test", "*ScreenReader*")]),
    ("a close request during the registration obeyed", "wizard/Root.cpp",
     "        if (!registering_)\n            DestroyWindow(window_);",
     "        DestroyWindow(window_);",
     [("program_test", "*QueuedClicks*")]),
    ("success reported when a value was not written", "wizard/Root.cpp",
     ["            .Complete();", "    allValuesWritten_ = outcome.Complete();"],
     ["            .Complete() || true;", "    allValuesWritten_ = outcome.Complete() || true;"],
     [("end_to_end_test", "*AValueThatCannotBeWritten*")]),
    ("the verb warning with the information icon", "wizard/Root.cpp",
     "Texts::kVerbWarning.text, MB_ICONWARNING,", "Texts::kVerbWarning.text, MB_ICONINFORMATION,",
     [("window_test", "*Warns*:*VerbWarning*")]),
    ("a switch name read case by case", ["unattended/CommandLine.cpp", "wizard/CommandLine.cpp"],
     "return CompareStringOrdinal(left.data(), static_cast<int>(left.size()), right.data(),\n"
     "                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;",
     "return left == right;",
     [("command_line_test", "CommandLine.*")]),
    ("the preview changes the registry", ["unattended/SilentRun.cpp", "wizard/SilentRun.cpp"],
     ["        if (options_.preview) {", "    if (options.preview) {"],
     ["        if (false) {", "    if (false) {"],
     [("command_line_test", "*Preview*")]),
    ("a backup that cannot be made reported as any failure",
     ["unattended/SilentRun.cpp", "wizard/SilentRun.cpp"],
     ["throw Refusal{CommandLine::kNoBackup, failure.Message()};",
      "throw Refusal{ExitCode::kNoBackup, failure.Message()};"], ["throw;", "throw;"],
     [("command_line_test", "*CannotBeMade*")]),
    ("a run with nothing to do registered again", "association/Plan.cpp",
     "return std::any_of(plan.steps.begin(), plan.steps.end(), StepChanges);",
     "return std::any_of(plan.steps.begin(), plan.steps.end(), StepChanges) || true;",
     [("command_line_test", "*SameRunAgain*")]),
    ("a type no program opens offered in Default Apps", "association/Plan.cpp",
     "return openHasProgram ? choices.tickedTypes : std::vector<int>();",
     "return openHasProgram || true ? choices.tickedTypes : std::vector<int>();",
     [("registration_test", "*DefaultApps*")]),
    ("the Default Apps offer for types that open with their own class", "wizard/DefaultAppsOffer.cpp",
     "if (!type.Unknown() && !type.OwnClass())", "if (!type.Unknown())",
     [("command_line_test", "*WhatTheWizardRegisters*")]),
    ("an LZW code past the table taken", "wizard/Gif.cpp",
     "            if (code > next)\n                return std::nullopt;", "",
     [("gif_test", "*")]),
    ("the file dialog's record one field too long in 32-bit", "services/ComDlgDll.cpp",
     "    dialog.lStructSize = kOldStructSize;",
     "    dialog.lStructSize = kOldStructSize + (sizeof(void*) == 4 ? 4 : 0);",
     [("32bit", "")]),
    ("keys outside the classes in a 32-bit program's own view", "association/Registry.cpp",
     "return KeyPath::SameOrBelow(path, KeyPath::kClasses) ? 0 : KEY_WOW64_64KEY;",
     "return KeyPath::SameOrBelow(path, KeyPath::kClasses) ? 0 : 0;",
     [("32bit", "")]),
]

def say(text):
    print(text, flush=True)

log = open(os.path.join(src, "mutants.log"), "a")

# Output goes to a log in the copy, for a look when something is off.
def run(command, **kwargs):
    log.write("$ " + " ".join(command) + "\n")
    log.flush()
    return subprocess.run(command, cwd=src, stdout=log, stderr=subprocess.STDOUT,
                          **kwargs).returncode

def configure(build, target_arch):
    if os.path.isdir(os.path.join(src, build)):
        return
    run(["cmake", "-S", ".", "-B", build, f"-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-{target_arch}.cmake",
         "-DCMAKE_BUILD_TYPE=Release", "-DBILDKRANZ_TESTS=ON"], check=True)

twin = f"build/{arch}"
product = "build/i686"

def build(tests):
    shipped = any(program == "32bit" for program, _ in tests)
    programs = sorted({program for program, _ in tests if program != "32bit"})
    # The 32-bit group's driver has had more than one name: everything then.
    targets = ["all"] if shipped else programs + [
        "Bildkranz", "command_recorder", "fake_regedit", "backup_probe", "registration_probe",
        "shell_verb"]
    if run(["cmake", "--build", twin, "-j", "2", "--target", *targets]) != 0:
        return False
    if shipped:
        if run(["cmake", "--build", product, "-j", "2", "--target", "Bildkranz",
                "shell_verb"]) != 0:
            return False
        subprocess.run(["cp", f"{src}/{product}/Bildkranz.exe", f"{src}/build/Bildkranz.exe"],
                       check=True)
    return True

# A fault may make a test wait for ever, on a message box nobody closes: past
# its time the test and everything it started are ended, and it has failed.
def passes_within(command, seconds, environment=None):
    log.write("$ " + " ".join(command) + "\n")
    log.flush()
    test = subprocess.Popen(command, cwd=src, stdout=log, stderr=subprocess.STDOUT,
                            start_new_session=True, env=environment)
    try:
        return test.wait(timeout=seconds) == 0
    except subprocess.TimeoutExpired:
        log.write(f"mutants: ended after {seconds} s\n")
        for signal_number in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(test.pid, signal_number)
                test.wait(timeout=10)
                break
            except (ProcessLookupError, subprocess.TimeoutExpired):
                pass
        return False

# What CTest hands the end-to-end test: the program it drives, as the twin's
# build made it.
program_under_test = dict(os.environ,
                          BILDKRANZ_PRODUCT=f"Z:{src}/{twin}/Bildkranz.exe",
                          BILDKRANZ_SHELL_VERB=f"Z:{src}/{twin}/shell_verb.exe",
                          BILDKRANZ_PRODUCT_BITS="64" if arch == "x86_64" else "32")

def passes(program, pattern):
    if program == "32bit":
        return passes_within(["ctest", "--test-dir", twin, "-L", "32bit"], 3600)
    return passes_within(["scripts/wine-run.sh", f"{twin}/{program}.exe",
                          f"--gtest_filter={pattern}"], 300, program_under_test)

chosen = [m for m in MUTANTS if not wanted or any(m[0].startswith(w) for w in wanted)]
configure(twin, arch)
if any(program == "32bit" for m in chosen for program, _ in m[4]):
    configure(product, "i686")

started = time.time()
say(f"mutants: {len(chosen)} faults in a copy of the tree at {src}, tests on {arch}")
tests = [t for m in chosen for t in m[4]]
if not build(tests):
    sys.exit("mutants: the unchanged copy does not build")
# Without a fault every test named must pass, or its catching proves nothing.
# The 32-bit group is left out here: it takes minutes, and make test runs it.
for program, pattern in dict.fromkeys(t for t in tests if t[0] != "32bit"):
    if not passes(program, pattern):
        sys.exit(f"mutants: {program} {pattern} fails without any fault; fix that first")

caught = 0
for name, paths, old, new, tests in chosen:
    paths = paths if isinstance(paths, list) else [paths]
    path = next((p for p in paths if os.path.exists(os.path.join(src, p))), paths[0])
    file = os.path.join(src, path)
    text = open(file, encoding="utf-8").read()
    forms = list(zip(old, new)) if isinstance(old, list) else [(old, new)]
    form = next((f for f in forms if text.count(f[0]) == 1), None)
    if form is None:
        say(f"  NOT APPLIED  {name}: the text to change is not in {path} exactly once")
        continue
    open(file, "w", encoding="utf-8").write(text.replace(*form))
    try:
        if not build(tests):
            verdict = "did not build"
        elif any(not passes(program, pattern) for program, pattern in tests):
            verdict = "caught"
            caught += 1
        else:
            verdict = "NOT caught"
    finally:
        open(file, "w", encoding="utf-8").write(text)
    names = ", ".join(program + (f" {pattern}" if pattern else "") for program, pattern in tests)
    say(f"  {verdict:<12} {name}  ({names})")

say(f"mutants: took {int(time.time() - started) // 60} min")
say(f"caught {caught} of {len(chosen)}")
sys.exit(0 if caught == len(chosen) else 1)
PY
