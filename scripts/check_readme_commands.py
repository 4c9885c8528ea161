#!/usr/bin/env python3
"""Checks that every command the README's sections for users name exists:
each program a command line of their ```sh blocks starts (a built program, a
script of the tree, a program on the system, a shell builtin), each script
it hands to bash or python3, and each build/ program named in their text.
   check_readme_commands.py README.md
Run in the tree's folder after the build; prints what is missing, exits 1 then."""
import os
import re
import shlex
import shutil
import sys

# The sections for users end where the engineers' begin.
USERS_END = "## For the project's engineers"
BUILTINS = {"cd", "echo", "printf", "kill", "export", "read", "test", "[", "set", "exit", "true", "false"}
# The clone's own folder, as the README's commands name it.
CLONE = ("$vantor/", '"$vantor"/')
# Programs of the system: also where an ordinary user's PATH does not look.
SYSTEM_PATH = os.environ.get("PATH", "/usr/bin:/bin") + ":/usr/sbin:/sbin"


def command_lines(text):
    """The command lines of the ```sh blocks, continuations joined, here-documents left out."""
    lines, block, heredoc, pending = [], False, None, ""
    for raw in text.split("\n"):
        if raw.startswith("```"):
            block = raw.strip() == "```sh"
            continue
        if not block:
            continue
        if heredoc is not None:
            if raw.strip() == heredoc:
                heredoc = None
            continue
        line = pending + raw.strip()
        if line.endswith("\\"):
            pending = line[:-1] + " "
            continue
        pending = ""
        if not line or line.startswith("#"):
            continue
        m = re.search(r"<<-?\s*'?\"?(\w+)", line)
        if m:
            heredoc = m.group(1)
        lines.append(line)
    return lines


def programs(line):
    """The programs a line starts, and the scripts it hands to an interpreter."""
    lexer = shlex.shlex(line, posix=True, punctuation_chars=True)
    lexer.whitespace_split = True
    parts, words = [], []
    for token in lexer:
        if token and set(token) <= set("&|;<>()"):
            parts.append(words)
            # what follows a redirection is a file, not a command
            words = [] if token not in ("<", ">", ">>", "<<", "2>") else ["="]
        else:
            words.append(token)
    parts.append(words)
    out = []
    for words in parts:
        if words[:1] == ["="]:
            words = words[2:]
        words = [w for w in words if not re.match(r"^[A-Za-z_][A-Za-z0-9_]*=", w)]
        while words and words[0] in ("sudo", "env", "time", "nice"):
            words = words[1:]
        if not words:
            continue
        out.append(words[0])
        if words[0] in ("bash", "sh", "python3") and len(words) > 1 and not words[1].startswith("-"):
            out.append(words[1])
    return out


def missing(word):
    for c in CLONE:
        if word.startswith(c.replace('"', "")):
            word = word[len(c.replace('"', "")):]
    if "/" in word:
        return not os.path.exists(word)
    return word not in BUILTINS and shutil.which(word, path=SYSTEM_PATH) is None


def main():
    text = open(sys.argv[1], encoding="utf-8").read()
    users = text.split(USERS_END)[0]
    wanted = set()
    for line in command_lines(users):
        wanted.update(programs(line))
    # the build's programs named anywhere in the text
    wanted.update(re.findall(r"(?<![\w/$])build/[A-Za-z_-]+(?![\w/.-])", users))
    gone = sorted(w for w in wanted if missing(w))
    for w in gone:
        print("a command the README names is missing: " + w)
    return 1 if gone else 0


if __name__ == "__main__":
    sys.exit(main())
