#include "app/batch.h"
#include "app/peak_area.h"
#include "runtime/entry.h"

int main(int argc, char** argv) {
  zel::runtime::Run(argc, argv, [] { zel::app::IsBatchRequest() ? zel::app::Batch() : zel::app::PeakArea(); });
}
