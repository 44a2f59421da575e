#include "app/batch.h"
#include "app/cli.h"
#include "app/peak_area.h"
#include "runtime/entry.h"

int main(int argc, char** argv) {
  if (zel::app::AnswerInformationalOption(argc, argv)) return 0;
  zel::runtime::Run(argc, argv, [] { zel::app::IsBatchRequest() ? zel::app::Batch() : zel::app::PeakArea(); });
}
