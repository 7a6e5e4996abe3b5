// rclcpp::AnySubscriptionCallback: a subscription callback of any form Humble accepts, told
// apart by the argument it takes: const T&, std::unique_ptr<T>, std::shared_ptr<const T>
// (also by const reference) or the deprecated std::shared_ptr<T>, each optionally followed by
// const rclcpp::MessageInfo&.
#ifndef RCLCPP__ANY_SUBSCRIPTION_CALLBACK_HPP_
#define RCLCPP__ANY_SUBSCRIPTION_CALLBACK_HPP_

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

#include "rclcpp/message_info.hpp"

namespace rclcpp
{

template <typename MessageT, typename AllocatorT = std::allocator<void>>
class AnySubscriptionCallback
{
  using Invoke = std::function<void(const std::shared_ptr<const MessageT> &, const MessageInfo &)>;

  template <typename CallbackT, typename ArgT>
  static constexpr bool takes = std::is_invocable_v<CallbackT &, ArgT>;

  template <typename CallbackT, typename ArgT>
  static constexpr bool takes_with_info =
    std::is_invocable_v<CallbackT &, ArgT, const MessageInfo &>;

  // Readers of one message may share it, so forms that may modify it get their own copy.
  static std::unique_ptr<MessageT> copy(const std::shared_ptr<const MessageT> & message)
  {
    return std::make_unique<MessageT>(*message);
  }

public:
  template <typename CallbackT>
  explicit AnySubscriptionCallback(CallbackT && callback)
  {
    using Callback = std::decay_t<CallbackT>;
    if constexpr (
      takes<Callback, std::shared_ptr<MessageT>> &&
      !takes<Callback, std::shared_ptr<const MessageT>>) {
      set_deprecated<MessageT>(std::function<void(std::shared_ptr<MessageT>)>(callback));
    } else if constexpr (
      takes_with_info<Callback, std::shared_ptr<MessageT>> &&
      !takes_with_info<Callback, std::shared_ptr<const MessageT>>) {
      set_deprecated<MessageT>(
        std::function<void(std::shared_ptr<MessageT>, const MessageInfo &)>(callback));
    } else {
      invoke_ = make_invoke(Callback(std::forward<CallbackT>(callback)));
    }
  }

  void dispatch(const std::shared_ptr<const MessageT> & message, const MessageInfo & info) const
  {
    invoke_(message, info);
  }

private:
  template <typename Callback>
  static Invoke make_invoke(Callback callback)
  {
    using SharedConst = std::shared_ptr<const MessageT>;
    using Unique = std::unique_ptr<MessageT>;
    if constexpr (takes<Callback, const MessageT &>) {
      return [callback](const SharedConst & message, const MessageInfo &) mutable {
        callback(*message);
      };
    } else if constexpr (takes<Callback, SharedConst>) {
      return
        [callback](const SharedConst & message, const MessageInfo &) mutable { callback(message); };
    } else if constexpr (takes<Callback, Unique>) {
      return [callback](const SharedConst & message, const MessageInfo &) mutable {
        callback(copy(message));
      };
    } else if constexpr (takes_with_info<Callback, const MessageT &>) {
      return [callback](const SharedConst & message, const MessageInfo & info) mutable {
        callback(*message, info);
      };
    } else if constexpr (takes_with_info<Callback, SharedConst>) {
      return [callback](const SharedConst & message, const MessageInfo & info) mutable {
        callback(message, info);
      };
    } else if constexpr (takes_with_info<Callback, Unique>) {
      return [callback](const SharedConst & message, const MessageInfo & info) mutable {
        callback(copy(message), info);
      };
    } else {
      static_assert(
        takes<Callback, const MessageT &>,
        "subscription callback must take the message as const T&, std::unique_ptr<T>, "
        "std::shared_ptr<const T> or std::shared_ptr<T>, optionally followed by "
        "const rclcpp::MessageInfo&");
      return {};
    }
  }

  template <typename SetT>
  [[deprecated("use 'void(std::shared_ptr<const MessageT>)' instead")]] void set_deprecated(
    std::function<void(std::shared_ptr<SetT>)> callback)
  {
    invoke_ = [callback](const std::shared_ptr<const MessageT> & message, const MessageInfo &) {
      callback(copy(message));
    };
  }

  template <typename SetT>
  [[deprecated("use 'void(std::shared_ptr<const MessageT>)' instead")]] void set_deprecated(
    std::function<void(std::shared_ptr<SetT>, const MessageInfo &)> callback)
  {
    invoke_ = [callback](
                const std::shared_ptr<const MessageT> & message, const MessageInfo & info) {
      callback(copy(message), info);
    };
  }

  Invoke invoke_;
};

}  // namespace rclcpp

#endif  // RCLCPP__ANY_SUBSCRIPTION_CALLBACK_HPP_
