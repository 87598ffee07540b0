// The readers against the least work any reader must do on the same text:
// the XML parse of the MIME database (2.4 MB) against a bare scan for its
// tags, the INI read of a large file against reading its lines, and deeply
// nested XML at growing sizes, whose cost must grow linearly.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/ratio_reporter.h"
#include "tools/readers/ini.h"
#include "tools/readers/xml.h"

namespace {

const char *const MIME_DB = "/usr/share/mime/packages/freedesktop.org.xml";

const std::string &mime_text()
{
  static std::string text;
  if (text.empty() && !Tools::XML::read_file(MIME_DB, text)) {
    std::fprintf(stderr, "cannot read %s (package shared-mime-info)\n", MIME_DB);
    std::exit(1);
  }
  return text;
}

void BM_xml_parse_mime(benchmark::State &state)
{
  const std::string &text = mime_text();
  for (auto _ : state) {
    Tools::XML::Item root;
    bool ok = Tools::XML::parse(text, &root);
    benchmark::DoNotOptimize(ok);
  }
  state.SetBytesProcessed(state.iterations() * text.size());
}

// Finds every tag and copies it out, as any tag reader must.
void BM_xml_scan_mime(benchmark::State &state)
{
  const std::string &text = mime_text();
  for (auto _ : state) {
    std::size_t tags = 0, from = 0;
    for (;;) {
      std::size_t open = text.find('<', from);
      if (open == std::string::npos)
        break;
      std::size_t close = text.find('>', open);
      if (close == std::string::npos)
        break;
      std::string tag = text.substr(open, close - open + 1);
      benchmark::DoNotOptimize(tag);
      ++tags;
      from = close;
    }
    benchmark::DoNotOptimize(tags);
  }
  state.SetBytesProcessed(state.iterations() * text.size());
}

void BM_xml_parse_nested(benchmark::State &state)
{
  std::string text;
  for (int64_t i = 0; i < state.range(0); ++i)
    text += "<d a=\"1\">";
  for (int64_t i = 0; i < state.range(0); ++i)
    text += "</x>"; // unmatched end tags, each to be dropped cheaply
  for (int64_t i = 0; i < state.range(0); ++i)
    text += "</d>";
  for (auto _ : state) {
    Tools::XML::Item root;
    bool ok = Tools::XML::parse(text, &root);
    benchmark::DoNotOptimize(ok);
  }
  state.SetComplexityN(state.range(0));
}

std::string ini_file()
{
  static std::string name;
  if (name.empty()) {
    char pattern[] = "/tmp/bench-ini.XXXXXX";
    int fd = mkstemp(pattern);
    if (fd < 0)
      std::exit(1);
    close(fd);
    name = pattern;
    std::ofstream out(name);
    for (int s = 0; s < 2000; ++s) {
      out << "; section " << s << "\n[section" << s << "]\n";
      for (int k = 0; k < 25; ++k)
        out << "key" << k << " = value " << s << '.' << k << " ; note\n";
      out << '\n';
    }
  }
  return name;
}

void BM_ini_read(benchmark::State &state)
{
  const std::string name = ini_file();
  for (auto _ : state) {
    Tools::Oxa::Ini ini(name, std::ios::in);
    Tools::Oxa::Ini::Element key(Tools::Oxa::Ini::Element::KEY, "section1999", "key24");
    bool ok = ini.get(key);
    benchmark::DoNotOptimize(ok);
  }
}

void BM_ini_getline(benchmark::State &state)
{
  const std::string name = ini_file();
  for (auto _ : state) {
    std::ifstream in(name);
    std::string line;
    std::size_t lines = 0;
    while (std::getline(in, line))
      ++lines;
    benchmark::DoNotOptimize(lines);
  }
}

BENCHMARK(BM_xml_parse_mime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_xml_scan_mime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_xml_parse_nested)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ini_read)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ini_getline)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.ratio("BM_xml_parse_mime", "BM_xml_scan_mime", "XML parse of the MIME database");
  reporter.ratio("BM_ini_read", "BM_ini_getline", "INI read, 2000 sections");
  if (reporter.median_ms("BM_xml_parse_mime") > 0)
    std::printf("%-40s %8.1f ms\n", "XML parse of the MIME database", reporter.median_ms("BM_xml_parse_mime"));
  benchmark::Shutdown();
  std::remove(ini_file().c_str());
  return 0;
}
