#include "test_util.h"

#include "config/prefs.h"
#include "sdf/sdf_reader.h"
#include "writer/writer.h"

namespace {

// A remapped cell carrying every entry kind the writer writes, in triple form.
const char *const CELL_BODY =
    "(INSTANCE top.u1)\n"
    "(DELAY (ABSOLUTE\n"
    "  (PATH (posedge P[2]) (1:2:3) (4:5:6))\n"
    "  (INTERCONNECT u0.Z A[0] (0.1::0.3))\n"
    "  (IOPATH (posedge CK) Q[3:0] (RETAIN (0.5:0.6:0.7)) (1:2:3) () (4:5:6))\n"
    "  (COND EN && !RST (IOPATH (negedge A) Y (2:2:2)))\n"
    "  (IOPATH B Y (::1) (1::) (:1:) (7:8:9) (1:1:1) (2:2:2))))\n"
    "(TIMINGCHECK\n"
    "  (SETUP D[2] (posedge CK) (1:2:3))\n"
    "  (HOLD (COND EN D) (COND !RST (negedge CK)) (0.1:0.2:0.3))\n"
    "  (SETUPHOLD (posedge D[7:4]) (posedge CK) (1:1:1) (2:2:2))\n"
    "  (WIDTH (posedge CK) (3:3:3))\n"
    "  (PERIOD CK (5:5:5)))\n"
    ")\n";

CellInstance *read_cell(Reader &r)
{
    EXPECT_TRUE(sdf_read_cell(r.rd, "DFF"));
    return r.rd->cells;
}

// The writer's text read back as one cell, after its CELL and CELLTYPE.
CellInstance *read_back(Reader &r)
{
    for (const char *expected : {"CELL", "CELLTYPE"}) {
        char c;
        SdfToken keyword{nullptr, 0};
        EXPECT_TRUE(sdf_next_char(r.rd, &c) && c == '(' && sdf_keyword(r.rd, &keyword) &&
                    sdf_is_keyword(expected, keyword.text, keyword.len)) << expected;
    }
    SdfToken celltype{nullptr, 0};
    EXPECT_TRUE(sdf_quoted(r.rd, &celltype));
    EXPECT_EQ("DFF", std::string(celltype.text, static_cast<size_t>(celltype.len)));
    (void)sdf_skip_entry(r.rd); // the CELLTYPE's closing bracket
    return read_cell(r);
}

std::string text_of(const char *s) { return s ? s : "<null>"; }

std::string port_text(const PortSpec &p)
{
    return text_of(p.name) + "[" + std::to_string(p.msb) + ":" + std::to_string(p.lsb) + "]/" +
           std::to_string(p.edge);
}

std::string values_text(const ValueTriple *v, int count)
{
    std::string s;
    for (int i = 0; i < count; i++)
        s += value_text(v[i]) + " ";
    return s;
}

// Each entry as one line of its ports, kind, conditions and value texts.
std::string describe(const CellInstance *cell)
{
    std::string s = text_of(cell->instance) + "\n";
    for (const PathDelay *p = cell->paths; p; p = p->next)
        s += "PATH " + port_text(p->port) + " " + values_text(p->delays, 6) + "\n";
    for (const InterconnectDelay *n = cell->interconnects; n; n = n->next)
        s += "INTERCONNECT " + port_text(n->from_port) + " " + port_text(n->to_port) + " " +
             values_text(n->delays, 6) + "\n";
    for (const PathEntry *e = cell->iopaths; e; e = e->next) {
        s += "IOPATH " + text_of(e->cond_text) + " " + port_text(e->in_port) + " " +
             port_text(e->out_port) + " " + values_text(e->delays, 6);
        s += e->has_retain ? "RETAIN " + values_text(e->retain, 6) + "\n" : "\n";
    }
    for (const TimingCheck *t = cell->checks; t; t = t->next)
        s += std::to_string(t->kind) + " " + text_of(t->data_cond) + " " + port_text(t->data_port) +
             " " + text_of(t->ref_cond) + " " + port_text(t->ref_port) + " " +
             values_text(&t->value1, 1) + (t->kind == CHECK_SETUPHOLD ? values_text(&t->value2, 1) : "") +
             "\n";
    return s;
}

std::string without(std::string text, const std::string &part)
{
    size_t at = text.find(part);
    return at == std::string::npos ? text : text.erase(at, part.size());
}

TEST(Writer, RemappedCellReadsBackAsWritten)
{
    Reader in(CELL_BODY);
    CellInstance *cell = read_cell(in);
    const std::string original = describe(cell);
    ASSERT_NE(std::string::npos, original.find("RETAIN"));
    ASSERT_NE(std::string::npos, original.find("INTERCONNECT"));

    Preferences all{};
    all.emit_mipd = all.emit_retain = 1;
    Preferences mipd_only{};
    mipd_only.emit_mipd = 1;
    Preferences retain_only{};
    retain_only.emit_retain = 1;
    const std::string interconnect = original.substr(original.find("INTERCONNECT"));
    const std::string no_mipd = without(original, interconnect.substr(0, interconnect.find('\n') + 1));
    const std::string retain = original.substr(original.find("RETAIN"));
    const std::string no_retain = without(original, retain.substr(0, retain.find('\n')));

    // INTERCONNECT entries and RETAIN values are written only when the
    // preferences ask for them.
    struct {
        const Preferences *prefs;
        std::string expected;
    } cases[] = {{&all, original},
                 {&mipd_only, no_retain},
                 {&retain_only, no_mipd},
                 {nullptr, without(no_mipd, retain.substr(0, retain.find('\n')))}};
    for (const auto &c : cases) {
        Scratch written;
        in.rd->out = written.f;
        TextOut text;
        write_remapped_cell(in.rd, cell, c.prefs, &text);
        text_release(&text);
        Reader back(written.text());
        EXPECT_EQ(c.expected, describe(read_back(back))) << written.text();
    }
}

} // namespace
