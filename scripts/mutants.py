"""Applies the faults of mutants.txt one at a time to a tree, rebuilds it and
runs the tests named for each; mutants.sh prepares the tree and Wine.

    mutants.py [--check] TREE ARCH [NAME...]

TREE is the tree to change (a copy: every fault is undone, but a run that is
killed leaves one in), ARCH the architecture the tests run as here. NAMEs
pick faults by the start of their names. Every entry picked is checked first
and refused, with nothing run, when it no longer fits the tree; --check stops
there, on the tree's existing build."""
import functools, os, re, signal, subprocess, sys, time
from dataclasses import dataclass, field

LIST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "mutants.txt")
HELPERS = ["Bildkranz", "command_recorder", "fake_regedit", "backup_probe",
           "registration_probe", "shell_verb"]


@dataclass
class Fault:
    name: str
    file: str = ""
    before: list = field(default_factory=list)
    after: list = field(default_factory=list)
    tests: list = field(default_factory=list)  # (program, filter); ("32bit", "")


def read_list(path):
    faults, text = [], None
    for number, line in enumerate(open(path, encoding="utf-8").read().splitlines(), 1):
        key, _, value = line.partition(": ")
        if line.startswith("|") and text is not None:
            text.append(line[1:])
        elif not line.strip() or line.startswith("#"):
            text = None
        elif key == "fault":
            faults.append(Fault(value))
            text = None
        elif faults and line in ("before:", "after:"):
            text = getattr(faults[-1], line[:-1])
        elif faults and key == "file":
            faults[-1].file, text = value, None
        elif faults and key == "test":
            program, _, pattern = value.partition(" ")
            faults[-1].tests.append((program, pattern.strip()))
            text = None
        else:
            sys.exit(f"mutants: {path}:{number}: not understood: {line}")
    return faults


def say(text):
    print(text, flush=True)


# Output goes to build/mutants.log in the tree, for a look when something is off.
def run(command, **kwargs):
    log.write("$ " + " ".join(command) + "\n")
    log.flush()
    return subprocess.run(command, cwd=src, stdout=log, stderr=subprocess.STDOUT,
                          **kwargs).returncode


def output(command):
    return subprocess.run(command, cwd=src, stdout=subprocess.PIPE, stderr=log, text=True,
                          check=True).stdout


def configure(build, target_arch):
    if not os.path.isdir(os.path.join(src, build)):
        run(["cmake", "-S", ".", "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DBILDKRANZ_TESTS=ON",
             f"-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-{target_arch}.cmake"], check=True)


def text_problems(fault):
    if not fault.file or not fault.before or not fault.tests:
        return "it needs a file, a text before and a test"
    if not os.path.isfile(os.path.join(src, fault.file)):
        return f"{fault.file} does not exist"
    text = open(os.path.join(src, fault.file), encoding="utf-8").read()
    count = text.count("\n".join(fault.before))
    if count != 1:
        return f"its text before is in {fault.file} {count} times, not once"
    if fault.before == fault.after:
        return "its text after is its text before"


# The tests as the built programs list them: what googletest itself matches a
# filter against, parameterised names and all, which reading the sources would
# only guess.
@functools.cache
def listed_tests(program):
    listing = subprocess.run(["scripts/wine-run.sh", f"{twin}/{program}.exe", "--gtest_list_tests"],
                             cwd=src, stdout=subprocess.PIPE, stderr=log, text=True)
    names, suite = [], ""
    for line in listing.stdout.splitlines():
        line = line.split("#")[0].rstrip()
        if line.startswith(" "):
            names.append(suite + line.strip())
        elif line:
            suite = line
    return names if listing.returncode == 0 else None


def matches(pattern, name):
    return re.fullmatch(re.escape(pattern).replace(r"\*", ".*").replace(r"\?", "."), name)


# The test programs CTest knows, and "32bit" when it has that group.
def programs():
    names = set(re.findall(r"Test +#\d+: (\S+)", output(["ctest", "--test-dir", twin, "-N"])))
    group = output(["ctest", "--test-dir", twin, "-N", "-L", "32bit"])
    return names | ({"32bit"} if re.search(r"Total Tests: [1-9]", group) else set())


def program_problems(fault, programs):
    for program, _ in fault.tests:
        if program not in programs:
            return f"{program} is no test of this build"


def filter_problems(fault):
    for program, pattern in fault.tests:
        if program == "32bit":
            continue
        if listed_tests(program) is None:
            return f"{program} --gtest_list_tests failed (build/mutants.log)"
        for part in re.split("[:-]", pattern):
            if part and not any(matches(part, name) for name in listed_tests(program)):
                return f"{part} in {program}'s filter matches none of its tests"


def refuse(check):
    problems = [(f.name, problem) for f in chosen if (problem := check(f))]
    for name, problem in problems:
        say(f"mutants: refused \"{name}\": {problem}")
    if problems:
        sys.exit(f"mutants: {len(problems)} entries of {LIST} no longer fit; nothing was run")


def build(tests):
    shipped = any(program == "32bit" for program, _ in tests)
    programs = sorted({program for program, _ in tests if program != "32bit"})
    # The 32-bit group's driver has had more than one name: everything then.
    if run(["cmake", "--build", twin, "-j", "2", "--target",
            *(["all"] if shipped else programs + HELPERS)]) != 0:
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


def passes(program, pattern):
    if program == "32bit":
        return passes_within(["ctest", "--test-dir", twin, "-L", "32bit"], 3600)
    # What CTest hands the end-to-end test: the program it drives, as the
    # twin's build made it.
    environment = dict(os.environ, BILDKRANZ_PRODUCT=f"Z:{src}/{twin}/Bildkranz.exe",
                       BILDKRANZ_SHELL_VERB=f"Z:{src}/{twin}/shell_verb.exe",
                       BILDKRANZ_PRODUCT_BITS="64" if arch == "x86_64" else "32")
    return passes_within(["scripts/wine-run.sh", f"{twin}/{program}.exe",
                          f"--gtest_filter={pattern}"], 300, environment)


check = sys.argv[1:2] == ["--check"]
src, arch, wanted = sys.argv[1 + check], sys.argv[2 + check], sys.argv[3 + check:]
twin, product = f"build/{arch}", "build/i686"
os.makedirs(os.path.join(src, "build"), exist_ok=True)
log = open(os.path.join(src, "build", "mutants.log"), "a")

faults = read_list(LIST)
for w in wanted:
    if not any(f.name.startswith(w) for f in faults):
        sys.exit(f"mutants: no fault's name in {LIST} starts with \"{w}\"")
chosen = [f for f in faults if not wanted or any(f.name.startswith(w) for w in wanted)]

# Checked in the order the tree is made: the texts before the build of a copy,
# which takes minutes; in --check, where the build is there, all at once.
tests = [t for f in chosen for t in f.tests]
if check:
    known = programs()
    refuse(lambda f: text_problems(f) or program_problems(f, known) or filter_problems(f))
    say(f"mutants: the {len(chosen)} faults fit the tree at {src}")
    sys.exit(0)
refuse(text_problems)
configure(twin, arch)
if any(program == "32bit" for program, _ in tests):
    configure(product, "i686")
known = programs()
refuse(lambda f: program_problems(f, known))
if not build(tests):
    sys.exit("mutants: the unchanged tree does not build")
refuse(filter_problems)

started = time.time()
say(f"mutants: {len(chosen)} faults in a copy of the tree at {src}, tests on {arch}")
# Without a fault every test named must pass, or its catching proves nothing.
# The 32-bit group is left out here: it takes minutes, and make test runs it.
for program, pattern in dict.fromkeys(t for t in tests if t[0] != "32bit"):
    if not passes(program, pattern):
        sys.exit(f"mutants: {program} {pattern} fails without any fault; fix that first")

caught = 0
for fault in chosen:
    file = os.path.join(src, fault.file)
    text = open(file, encoding="utf-8").read()
    open(file, "w", encoding="utf-8").write(
        text.replace("\n".join(fault.before), "\n".join(fault.after)))
    try:
        if not build(fault.tests):
            verdict = "did not build"
        elif any(not passes(program, pattern) for program, pattern in fault.tests):
            verdict = "caught"
            caught += 1
        else:
            verdict = "NOT caught"
    finally:
        open(file, "w", encoding="utf-8").write(text)
    names = ", ".join(f"{program} {pattern}".strip() for program, pattern in fault.tests)
    say(f"  {verdict:<12} {fault.name}  ({names})")

say(f"mutants: took {int(time.time() - started) // 60} min")
say(f"caught {caught} of {len(chosen)}")
sys.exit(0 if caught == len(chosen) else 1)
