#!/usr/bin/env python3
"""Writes a deterministic, realistic SDF file of about the given size.

    gen_sdf.py OUTPUT MEGABYTES [--seed N]

The file looks like a placed-and-routed netlist's: a header, a top cell with
an INTERCONNECT section, then cells of common types under hierarchical
instance paths: gates with IOPATH and COND IOPATH entries, flip-flops with
SETUPHOLD, RECREM and WIDTH checks, bus registers with ranged and per-bit
ports, and comments here and there. The same size and seed always give the
same bytes. DFFR_X1, NAND2_X1 and REG4_X1 are the types that the benchmark's
templates remap.
"""
import argparse
import random

HEADER = """(DELAYFILE
  (SDFVERSION "3.0")
  (DESIGN "bench_top")
  (DATE "Mon Jan  1 00:00:00 2024")
  (VENDOR "kestrove benchmark")
  (PROGRAM "gen_sdf.py")
  (VERSION "1.0")
  (DIVIDER /)
  (VOLTAGE 1.100:1.100:1.100)
  (PROCESS "1.000:1.000:1.000")
  (TEMPERATURE 25.000:25.000:25.000)
  (TIMESCALE 1ns)
"""

BLOCKS = ["u_core", "u_dma", "u_uart0", "u_uart1", "u_spi", "u_ctrl", "u_mem_if", "u_dsp"]
SUBBLOCKS = ["u_alu", "u_regs", "u_fifo", "u_fsm", "u_mac", "u_dec", "u_shift"]


class Writer:
    def __init__(self, rnd):
        self.rnd = rnd
        self.parts = []
        self.size = 0
        self.serial = 0

    def add(self, text):
        self.parts.append(text)
        self.size += len(text)

    def value(self, base):
        r = self.rnd.random
        lo = base * (0.85 + 0.1 * r())
        typ = lo * (1.05 + 0.05 * r())
        hi = typ * (1.05 + 0.1 * r())
        return "(%.3f:%.3f:%.3f)" % (lo, typ, hi)

    def path(self):
        rnd = self.rnd
        self.serial += 1
        depth = rnd.randint(1, 3)
        parts = [rnd.choice(BLOCKS)]
        if depth > 1:
            parts.append("%s_%d" % (rnd.choice(SUBBLOCKS), rnd.randint(0, 15)))
        if depth > 2:
            parts.append("g%d" % rnd.randint(0, 63))
        return "/".join(parts) + "/U%d" % self.serial

    def cell(self, celltype, instance, delay_lines, check_lines=()):
        text = ["  (CELL\n", "    (CELLTYPE \"%s\")\n" % celltype, "    (INSTANCE %s)\n" % instance,
                "      (DELAY\n", "\t(ABSOLUTE\n"]
        text += ["\t%s\n" % line for line in delay_lines]
        text += ["\t)\n", "      )\n"]
        if check_lines:
            text.append("      (TIMINGCHECK\n")
            text += ["\t%s\n" % line for line in check_lines]
            text.append("      )\n")
        text.append("  )\n")
        self.add("".join(text))


def inv(w, name):
    w.cell(name, w.path(), ["(IOPATH A ZN %s %s)" % (w.value(0.012), w.value(0.010))])


def buf(w, name):
    w.cell(name, w.path(), ["(IOPATH A Z %s %s)" % (w.value(0.030), w.value(0.028))])


def nand2(w, name):
    v = w.value
    w.cell(name, w.path(), [
        "(COND A2==1'b1 (IOPATH A1 ZN %s %s))" % (v(0.021), v(0.018)),
        "(COND A1==1'b1 (IOPATH A2 ZN %s %s))" % (v(0.024), v(0.020)),
        "(IOPATH A1 ZN %s %s)" % (v(0.022), v(0.019)),
        "(IOPATH A2 ZN %s %s)" % (v(0.025), v(0.021)),
    ])


def xor2(w, name):
    v = w.value
    w.cell(name, w.path(), [
        "(COND B==1'b0 (IOPATH A Z %s %s))" % (v(0.041), v(0.038)),
        "(COND B==1'b1 (IOPATH A Z %s %s))" % (v(0.045), v(0.040)),
        "(COND A==1'b0 (IOPATH B Z %s %s))" % (v(0.043), v(0.039)),
        "(COND A==1'b1 (IOPATH B Z %s %s))" % (v(0.046), v(0.042)),
    ])


def aoi21(w, name):
    v = w.value
    w.cell(name, w.path(), [
        "(COND (A==1'b0)&&(B2==1'b1) (IOPATH B1 ZN %s %s))" % (v(0.030), v(0.027)),
        "(COND (A==1'b0)&&(B1==1'b1) (IOPATH B2 ZN %s %s))" % (v(0.031), v(0.028)),
        "(IOPATH A ZN %s %s)" % (v(0.026), v(0.022)),
    ])


def dffr(w, name):
    v = w.value
    # Some tools guard the checks with a condition on the reset, some do not.
    if w.rnd.random() < 0.5:
        ref = "(COND RN===1'b1 (posedge CK))"
    else:
        ref = "(posedge CK)"
    w.cell(name, w.path(), [
        "(COND (CK==1'b1)&&(D==1'b1) (IOPATH RN QN %s ()))" % v(0.202),
        "(COND (CK==1'b0)&&(D==1'b0) (IOPATH RN QN %s ()))" % v(0.086),
        "(COND (CK==1'b1)&&(D==1'b0) (IOPATH RN Q () %s))" % v(0.034),
        "(IOPATH (posedge CK) QN %s %s)" % (v(0.065), v(0.064)),
        "(IOPATH (posedge CK) Q %s %s)" % (v(0.111), v(0.094)),
    ], [
        "(WIDTH (negedge RN) %s)" % v(0.154),
        "(RECREM (posedge RN) (posedge CK) %s %s)" % (v(0.058), v(0.188)),
        "(SETUPHOLD (posedge D) %s %s %s)" % (ref, v(0.030), v(0.007)),
        "(SETUPHOLD (negedge D) %s %s %s)" % (ref, v(0.034), v(0.006)),
        "(WIDTH %s %s)" % (ref, v(0.060)),
    ])


def reg4(w, name):
    v = w.value
    if w.rnd.random() < 0.5:
        delays = ["(IOPATH (posedge CK) Q[3:0] %s %s)" % (v(0.120), v(0.110))]
    else:
        delays = ["(IOPATH (posedge CK) Q[%d] %s %s)" % (bit, v(0.120), v(0.110)) for bit in range(4)]
    delays.append("(IOPATH EN Q[1] %s)" % v(0.080))
    w.cell(name, w.path() + "\\[%d\\]" % w.rnd.randint(0, 31), delays, [
        "(SETUPHOLD D[3:0] (posedge CK) %s %s)" % (v(0.040), v(0.012)),
        "(SETUP EN (posedge CK) %s)" % v(0.050),
        "(WIDTH (posedge CK) %s)" % v(0.070),
    ])


# (weight, writer, cell type): roughly a synthesized datapath's mix.
MIX = [
    (22, inv, "INV_X1"), (8, buf, "BUF_X2"), (20, nand2, "NAND2_X1"), (14, xor2, "XOR2_X1"),
    (12, aoi21, "AOI21_X1"), (14, dffr, "DFFR_X1"), (4, reg4, "REG4_X1"), (6, nand2, "NAND2_X2"),
]


def interconnects(w, target):
    w.add("  (CELL\n    (CELLTYPE \"bench_top\")\n    (INSTANCE)\n      (DELAY\n\t(ABSOLUTE\n")
    while w.size < target:
        a, b = w.path(), w.path()
        w.add("\t(INTERCONNECT %s/ZN %s/A1 %s %s)\n" % (a, b, w.value(0.002), w.value(0.002)))
    w.add("\t)\n      )\n  )\n")


def generate(megabytes, seed):
    rnd = random.Random(seed)
    w = Writer(rnd)
    w.add(HEADER)
    target = int(megabytes * 1000000)
    interconnects(w, target * 0.15)
    weights = [m[0] for m in MIX]
    count = 0
    while w.size < target - 2:
        if count % 500 == 0:
            w.add("  // ---- partition %d ----\n" % (count // 500))
        if count % 2000 == 1999:
            w.add("  /* placement region %d\n     re-timed after CTS */\n" % (count // 2000))
        _, write, name = rnd.choices(MIX, weights)[0]
        write(w, name)
        count += 1
    w.add(")\n")
    return "".join(w.parts)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("output")
    parser.add_argument("megabytes", type=float)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    with open(args.output, "w") as f:
        f.write(generate(args.megabytes, args.seed))


if __name__ == "__main__":
    main()
