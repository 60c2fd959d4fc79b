#include "report/modern_style.h"

namespace tlw {

// Colours are custom properties set once per scheme, so the rules below
// serve light, dark and print alike. Accent shades read at 4.5:1 or more on
// their background in both schemes.
const std::string_view kModernStyle = R"CSS(
:root{color-scheme:light dark;--bg:#ffffff;--fg:#1c2230;--muted:#586174;--line:#dde2ea;
--card:#f3f5f9;--accent:#2f62d8;--accent2:#c2570c;--ok:#1a7f37;--redirect:#9a5b00;--bad:#c0262d}
@media (prefers-color-scheme:dark){:root{--bg:#11151c;--fg:#e4e8ef;--muted:#9aa4b5;--line:#2b323e;
--card:#1a2029;--accent:#6d9cf7;--accent2:#f0a050;--ok:#56c771;--redirect:#e0b050;--bad:#f47c7c}}
*{box-sizing:border-box}
html{-webkit-text-size-adjust:100%;text-size-adjust:100%}
body{margin:0;background:var(--bg);color:var(--fg);
font:16px/1.5 system-ui,-apple-system,"Segoe UI",Roboto,"Noto Sans","Liberation Sans",Arial,sans-serif}
.page{max-width:76rem;margin:0 auto;padding:1rem 1rem 3rem}
a{color:var(--accent)}
header h1{font-size:1.7rem;line-height:1.25;margin:.75rem 0 .35rem;overflow-wrap:anywhere}
.meta{color:var(--muted);margin:0 0 1rem}
.meta span{white-space:nowrap}
nav.toc{background:var(--card);border-radius:.5rem;padding:.6rem 1rem;margin:1rem 0 2rem}
nav.toc h2{font-size:.95rem;margin:0 0 .3rem;border:0;padding:0}
nav.toc ol{margin:0;padding:0;list-style:none;display:flex;flex-wrap:wrap;gap:.2rem 1.2rem}
section{margin:2.5rem 0}
h2{font-size:1.35rem;margin:0 0 1rem;padding-bottom:.3rem;border-bottom:2px solid var(--line)}
h3{font-size:1.05rem;margin:1.5rem 0 .5rem}
.cards{display:grid;grid-template-columns:repeat(auto-fit,minmax(10rem,1fr));gap:.75rem;margin-bottom:1.25rem}
.card{background:var(--card);border-radius:.5rem;padding:.7rem 1rem;margin:0}
.card .value{display:block;font-size:1.6rem;font-weight:650;font-variant-numeric:tabular-nums}
.card .label{color:var(--muted);font-size:.85rem}
.columns{display:grid;grid-template-columns:minmax(0,1fr);gap:0 2rem}
@media (min-width:62rem){.columns{grid-template-columns:repeat(2,minmax(0,1fr))}}
.table-box{overflow-x:auto;max-width:100%}
.table-box.tall{max-height:30rem;overflow-y:auto}
table{border-collapse:collapse;width:100%;font-size:.92rem;font-variant-numeric:tabular-nums}
th,td{padding:.3rem .5rem;border-bottom:1px solid var(--line);text-align:left;vertical-align:top}
thead th{color:var(--muted);font-weight:600;white-space:nowrap;position:sticky;top:0;background:var(--bg)}
.n{text-align:right;white-space:nowrap}
td.k{min-width:10rem;overflow-wrap:anywhere;unicode-bidi:isolate}
td.rank{color:var(--muted);width:1%}
td.d,td.kind{white-space:nowrap}
table.summary{max-width:46rem}
@media (max-width:30rem){.rank{display:none}.page{padding:.75rem .75rem 2rem}th,td{padding:.3rem}
table{font-size:.86rem}td.share{min-width:4.2rem}}
td.share{width:1%;min-width:5rem}
.meter{display:block;height:.25rem;margin-top:.2rem;background:var(--line);border-radius:1px}
.meter span{display:block;height:100%;background:var(--accent);border-radius:1px}
tr.more td{color:var(--muted);font-style:italic}
p.empty{color:var(--muted);font-style:italic;margin:.25rem 0 1rem}
.note{color:var(--muted);font-size:.9rem}
.code-2{color:var(--ok)}.code-3{color:var(--redirect)}.code-4,.code-5{color:var(--bad)}
figure.chart{margin:0 0 1.25rem}
.plot{position:relative;height:12rem;margin:.6rem 0 0 3.6rem}
.plot svg{display:block;width:100%;height:100%;overflow:visible}
.y-axis{position:absolute;left:-3.6rem;top:0;bottom:0;width:3.2rem;font-size:.75rem;color:var(--muted)}
.y-axis span{position:absolute;right:0;transform:translateY(50%);white-space:nowrap}
.x-axis{position:relative;height:1.5rem;margin-left:3.6rem;font-size:.75rem;color:var(--muted)}
.x-axis span{position:absolute;top:.2rem;transform:translateX(-50%);white-space:nowrap}
.x-axis span:first-child{transform:translateX(-.4rem)}
.x-axis span:last-child{transform:translateX(calc(-100% + .4rem))}
.x-axis.dense span:first-child,.x-axis.dense span:last-child{transform:translateX(-50%)}
@media (max-width:40rem){.x-axis.dense span:nth-child(even){display:none}}
.grid{stroke:var(--line);stroke-width:1}
.axis{stroke:var(--muted);stroke-width:1}
.bar{fill:var(--accent)}
.line{fill:none;stroke:var(--accent2);stroke-width:2;stroke-linejoin:round}
.legend{font-size:.85rem;color:var(--muted);margin-top:.2rem}
.key-bar,.key-line{display:inline-block;vertical-align:middle;margin-right:.3rem}
.key-bar{width:.75rem;height:.75rem;background:var(--accent);border-radius:2px}
.key-line{width:1.1rem;height:.2rem;background:var(--accent2);margin-left:.8rem}
footer{color:var(--muted);font-size:.85rem;border-top:1px solid var(--line);padding-top:.75rem}
@media print{
:root{--bg:#fff;--fg:#000;--muted:#444;--line:#bbb;--card:#f2f2f2;--accent:#1f4fbf;--accent2:#b3500a;
--ok:#17692e;--redirect:#7a4800;--bad:#a31d23}
*{-webkit-print-color-adjust:exact;print-color-adjust:exact}
body{font-size:10.5pt}
.page{max-width:none;padding:0}
nav.toc{display:none}
.table-box,.table-box.tall{overflow:visible;max-height:none}
thead th{position:static}
h2,h3{break-after:avoid}
tr,figure,.card{break-inside:avoid}
a{color:inherit;text-decoration:none}
section{margin:1.5rem 0}
}
)CSS";

}  // namespace tlw
