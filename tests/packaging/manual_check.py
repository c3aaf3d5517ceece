#!/usr/bin/env python3
"""The manual page against the program's --help.

Every page that --help lists needs an entry under PAGES in tesmo.1 (an
entry is a .TP whose tag line starts with the page's name in bold), and the
entry's tag line names exactly the options --help gives that page (the
common options may appear too). Every common option and every exit status of
--help is documented under OPTIONS and EXIT STATUS, and nothing is documented
there that --help does not know. The page also has to render without a
warning, and its version has to be the program's.

    manual_check.py TESMO_BINARY MANUAL_PAGE VERSION
"""
import os
import re
import subprocess
import sys

OPTION = re.compile(r"(?:\\-|-){2}([a-z]+(?:(?:\\-|-)[a-z]+)*)")
BRACKETED = re.compile(r"\[(--[a-z][-a-z]*)(?: [A-Z:]+)?\]")


def option_names(roff_text):
    return {"--" + name.replace("\\-", "-") for name in OPTION.findall(roff_text)}


def read_help(binary):
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY"):
        env.pop(name, None)
    run = subprocess.run([binary, "--help"], capture_output=True, text=True, env=env,
                         timeout=60, check=False)
    if run.returncode != 0:
        sys.exit(f"{binary} --help exited with {run.returncode}: {run.stderr}")
    common, pages, exits = set(), {}, set()
    page = None
    for line in run.stdout.splitlines():
        found = re.match(r"^  page: (\S+)$", line)
        if found:
            page = found.group(1)
            pages[page] = set()
            continue
        if line.startswith("Exit:") or (exits and re.match(r"^\d", line)):
            exits.update(int(code) for code in re.findall(r"(?:^|, |: )(\d+) ", line))
        if page is None:
            common.update(BRACKETED.findall(line))
        elif line.strip().startswith("["):
            pages[page].update(BRACKETED.findall(line))
    if not pages or not common or not exits:
        sys.exit("--help lists no pages, no common options or no exit codes:\n" + run.stdout)
    return common, pages, exits


def sections(roff):
    """Section name -> its lines."""
    result, name = {}, None
    for line in roff.splitlines():
        if line.startswith(".SH "):
            name = line[4:].strip().strip('"')
            result[name] = []
        elif name is not None:
            result[name].append(line)
    return result


def tagged_entries(lines):
    """The tag line of each .TP entry, with the entry's text."""
    entries = []
    for i, line in enumerate(lines):
        if line.strip() == ".TP" and i + 1 < len(lines):
            entries.append(lines[i + 1])
    return entries


def main():
    binary, manual, version = sys.argv[1:4]
    faults = []
    common, pages, exits = read_help(binary)
    with open(manual, encoding="utf-8") as f:
        roff = f.read()
    parts = sections(roff)
    for needed in ("NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "PAGES", "EXIT STATUS", "FILES",
                   "ENVIRONMENT"):
        if needed not in parts:
            faults.append(f"no section {needed}")
    documented_pages = {}
    for tag in tagged_entries(parts.get("PAGES", [])):
        found = re.match(r"^\\fB([a-z]+)\\fR(.*)$", tag)
        if found:
            documented_pages[found.group(1)] = option_names(found.group(2))
    for page, options in pages.items():
        if page not in documented_pages:
            faults.append(f"page '{page}' of --help has no entry under PAGES")
            continue
        for option in sorted(options - documented_pages[page]):
            faults.append(f"page '{page}': option {option} of --help is missing from its entry")
        for option in sorted(documented_pages[page] - options - common):
            faults.append(f"page '{page}': option {option} of the manual page is not in --help")
    documented_options = set()
    for tag in tagged_entries(parts.get("OPTIONS", [])):
        documented_options |= option_names(tag)
    for option in sorted(common - documented_options):
        faults.append(f"option {option} of --help is missing under OPTIONS")
    for option in sorted(documented_options - common - {"--batch", "--help", "--vendor",
                                                         "--mib-report"}):
        faults.append(f"option {option} under OPTIONS is not in --help")
    documented_exits = set()
    for tag in tagged_entries(parts.get("EXIT STATUS", [])):
        found = re.match(r"^\.B (\d+)$", tag.strip())
        if found:
            documented_exits.add(int(found.group(1)))
    if documented_exits != exits:
        faults.append(f"exit statuses: --help {sorted(exits)}, manual page {sorted(documented_exits)}")
    title = re.search(r'^\.TH \S+ 1 \S+ "Tesmo ([^"]+)"', roff, re.M)
    if not title or title.group(1) != version:
        faults.append(f"the .TH line does not name version {version}")

    # Rendered the way lintian checks manual pages: any warning is a fault.
    render = subprocess.run(
        ["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", manual],
        capture_output=True, text=True, timeout=60, check=False,
        env=dict(os.environ, LC_ALL="C.UTF-8", MANROFFSEQ="", MANWIDTH="80"))
    if render.returncode != 0 or render.stderr.strip():
        faults.append(f"man reports: {render.stderr.strip() or render.returncode}")

    for fault in faults:
        print("manual_check:", fault)
    if not faults:
        print(f"manual_check: {len(pages)} pages, {len(common)} common options and "
              f"{len(exits)} exit statuses agree with --help")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
