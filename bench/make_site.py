#!/usr/bin/python3
"""The benchmarks' site: DOCUMENTS documents under ROOT in nine areas of twelve topics
(117 folders); sizes 300 B to 40 KiB (log-uniform) and one in 125 of 256 KiB to 2 MiB;
one in seven a picture. The same every time (a fixed seed).

    bench/make_site.py ROOT DOCUMENTS"""
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(1131)
folders = []
for a in range(1, 10):
    folders.append(os.path.join(root, "Area%02d" % a))
    folders += [os.path.join(folders[-1], "Topic%02d" % t) for t in range(1, 13)]
for d in folders:
    os.makedirs(d)
kinds = [".txt", ".html", ".pdf", ".jpg", ".png", ".doc", ".csv"]
for i in range(count):
    d = folders[i % len(folders)] if i < len(folders) else rng.choice(folders)
    size = int(300 * (40000 / 300) ** rng.random())
    if i % 125 == 7:
        size = rng.randint(256 * 1024, 2 * 1024 * 1024)
    with open(os.path.join(d, "doc%04d%s" % (i, kinds[i % len(kinds)])), "wb") as out:
        out.write(rng.randbytes(size))
