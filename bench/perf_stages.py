#!/usr/bin/env python3
"""perf_stages.py FREQ PERF.DATA...: where the CPU time of `tarvik index` goes.

Sums the samples of `perf record -g -e cpu-clock -F FREQ` runs of one index
run each by stage and by thread (the run's thread, the article reader, the
entry maker: the process's threads in the order they started) and prints
milliseconds per run. A sample in the kernel counts for the system call it is
in (reading articles on the reader's thread; writing, creating and renaming
files on the run's) or, when it is a page fault, for "fresh memory": the
kernel clearing the pages a table touches for the first time. A user sample
counts for the stage of the function it is in.

  perf record -g -e cpu-clock -F 4000 -o run1.data tarvik index ...
  bench/perf_stages.py 4000 run1.data run2.data run3.data
"""
import collections
import re
import subprocess
import sys

STAGES = [
    # The split and fold are inlined into the loop that filters repeats and
    # hands the words on: one stage.
    ("split, fold, repeat filter, hand-on (reader)",
     r"FindNextFoldedWord|SkipTagsToWord|ArticleWords|RepeatFilter|PutWords|ReadAll"),
    ("take and hash words (run)", r"NextWords|NextRecord|TakeNextChunk"),
    ("tree insert (run)", r"InsertPaddedWord|SameWord|AddNode|InsertWord|Resize|WordTree::Reserve"),
    ("add article (run)", r"ArticleIndexer|AddArticle|StartArticle"),
    ("article lists (run)", r"FinishArticleLists"),
    ("sort (entry maker)", r"SortGroup|SecondKey|WordOrder|introsort|insertion_sort"),
    ("build entries (entry maker)", r"EntryMaker"),
    ("queue, write (run)", r"IndexWriter"),
]
KERNEL = [("ksys_read", "read"), ("vfs_read", "read"), ("ksys_write", "write"),
          ("vfs_write", "write"), ("do_sys_openat2", "open"), ("vfs_statx", "stat"),
          ("vfs_fstat", "stat"), ("do_renameat2", "rename"), ("do_mkdirat", "mkdir"),
          ("do_unlinkat", "unlink"), ("__fput", "close")]
ROLES = ("run", "reader", "entries")


def classify(stack):
    call, fault, user = None, False, None
    for addr, sym in stack:
        if addr.startswith("ffffffff"):
            fault = fault or "asm_exc_page_fault" in sym
            for prefix, name in KERNEL:
                if call is None and sym.startswith(prefix):
                    call = name
        elif user is None:
            user = sym
    if fault:
        return "fresh memory (page faults)"
    if call == "read":
        return "read articles (kernel)"
    if call is not None:
        return "files (kernel: %s)" % call
    if stack and stack[0][0].startswith("ffffffff"):
        return "kernel, other"
    for name, pattern in STAGES:
        if user and re.search(pattern, user):
            return name
    if user and re.search(r"mem(move|cpy|set|cmp|chr)|str(len|chr)", user):
        return "libc memory and string functions"
    return "other"


def samples(path):
    out = subprocess.run(["perf", "script", "-i", path, "-F", "tid,ip,sym"],
                         capture_output=True, text=True, check=True).stdout
    for block in out.strip().split("\n\n"):
        lines = block.strip().split("\n")
        if not lines or not lines[0].strip():
            continue
        stack = [tuple((l.strip().split(None, 1) + ["?"])[:2]) for l in lines[1:] if l.strip()]
        yield int(lines[0].split()[0]), stack


def main():
    freq, files = float(sys.argv[1]), sys.argv[2:]
    by_stage = collections.defaultdict(collections.Counter)
    for path in files:
        runs = list(samples(path))
        tids = sorted({tid for tid, _ in runs})
        role = {tid: ROLES[min(i, 2)] for i, tid in enumerate(tids)}
        for tid, stack in runs:
            by_stage[classify(stack)][role[tid]] += 1
    ms = lambda n: n / freq * 1000 / len(files)
    total = sum(sum(c.values()) for c in by_stage.values())
    print("%-36s %7s %6s   %s" % ("stage", "ms/run", "share", "by thread (ms/run)"))
    for stage, counts in sorted(by_stage.items(), key=lambda kv: -sum(kv[1].values())):
        n = sum(counts.values())
        threads = ", ".join("%s %.1f" % (r, ms(counts[r])) for r in ROLES if counts[r])
        print("%-36s %7.1f %5.1f%%   %s" % (stage, ms(n), 100.0 * n / total, threads))
    per_role = {r: sum(c[r] for c in by_stage.values()) for r in ROLES}
    print("%-36s %7.1f %6s   %s" % ("total", ms(total), "",
                                    ", ".join("%s %.1f" % (r, ms(per_role[r])) for r in ROLES)))


main()
