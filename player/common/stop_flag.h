#pragma once
// A stop request that one thread raises and the work it wants cancelled polls. StopSource owns the
// flag (shared, so it survives moving the source while a worker still polls it); StopToken is
// what the work holds. A default StopToken can never be signalled: work handed one is not
// cancellable and may take paths that cannot stop part-way. Nothing here fails or blocks.
// Our own rather than std::stop_token: the browser build's standard library lacks <stop_token>.
#include <atomic>
#include <memory>

namespace mavlet {

class StopToken {
 public:
  StopToken() = default;
  // True when a source exists that may signal this token.
  bool StopPossible() const noexcept { return flag_ != nullptr; }
  bool StopRequested() const noexcept { return flag_ && flag_->load(std::memory_order_acquire); }

 private:
  friend class StopSource;
  explicit StopToken(std::shared_ptr<const std::atomic<bool>> flag) : flag_(std::move(flag)) {}
  std::shared_ptr<const std::atomic<bool>> flag_;
};

class StopSource {
 public:
  StopSource() : flag_(std::make_shared<std::atomic<bool>>(false)) {}
  // Signals every token of this source; raising it again changes nothing.
  void RequestStop() noexcept {
    if (flag_) flag_->store(true, std::memory_order_release);
  }
  bool StopRequested() const noexcept { return flag_ && flag_->load(std::memory_order_acquire); }
  StopToken Token() const { return StopToken(flag_); }

 private:
  std::shared_ptr<std::atomic<bool>> flag_;
};

}  // namespace mavlet
