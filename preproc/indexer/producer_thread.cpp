#include "preproc/indexer/producer_thread.h"

#include <new>
#include <system_error>
#include <utility>

namespace preproc {

ProducerThread::ProducerThread(std::size_t chunk_bytes, std::size_t chunks, Body body)
    : pipe_(chunk_bytes, chunks), body_(std::move(body)) {
  try {
    thread_ = std::thread(&ProducerThread::Run, this);
  } catch (const std::system_error&) {  // no room for the thread's stack
    throw std::bad_alloc();
  }
}

ProducerThread::~ProducerThread() {
  pipe_.Close();
  thread_.join();
}

void ProducerThread::Run() {
  try {
    body_(pipe_);
  } catch (...) {  // the consumer's thread throws it, after the records before it
    failure_ = std::current_exception();
  }
  pipe_.Finish();
}

}  // namespace preproc
