// A first-in-first-out hand-over of heap nodes between two threads.
//
// Ownership: a node belongs to the queue while it is queued; push() takes it
// from the producer, take() gives it to the consumer, which frees it (by
// letting the pointer go) or pushes it on into another queue without copying.
// The queue's mutex is held only for the list operation itself: nodes are
// built before push(), and every node the queue frees (clear(), the oldest
// ones dropped by pushDroppingOldest(), dropFrontWhile() and takeNewestDue()) is destroyed
// after the lock is released.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>

template <typename Node>
class FrameQueue {
 public:
  using NodePtr = std::unique_ptr<Node>;

  FrameQueue() = default;
  FrameQueue(const FrameQueue&) = delete;
  FrameQueue& operator=(const FrameQueue&) = delete;

  // Appends at the tail. A null node is ignored.
  void push(NodePtr node) {
    if (!node) return;
    std::lock_guard<std::mutex> lock(mutex_);
    nodes_.push_back(std::move(node));
  }

  // Appends at the tail, then drops (and frees) the oldest nodes while more
  // than maxNodes are queued; returns how many were dropped. maxNodes 0 is
  // taken as 1: the new node is always kept.
  std::size_t pushDroppingOldest(NodePtr node, std::size_t maxNodes) {
    if (!node) return 0;
    if (maxNodes == 0) maxNodes = 1;
    std::deque<NodePtr> dropped;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      nodes_.push_back(std::move(node));
      while (nodes_.size() > maxNodes) {
        dropped.push_back(std::move(nodes_.front()));
        nodes_.pop_front();
      }
    }
    return dropped.size();  // freed here, outside the lock
  }

  // Takes the head node; null when the queue is empty.
  NodePtr take() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (nodes_.empty()) return nullptr;
    NodePtr node = std::move(nodes_.front());
    nodes_.pop_front();
    return node;
  }

  // Drops (and frees) head nodes while drop(head, tail, count) holds, with
  // `count` the nodes queued; returns how many were dropped.
  template <typename Drop>
  std::size_t dropFrontWhile(Drop drop) {
    std::deque<NodePtr> dropped;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      while (!nodes_.empty() && drop(*nodes_.front(), *nodes_.back(), nodes_.size())) {
        dropped.push_back(std::move(nodes_.front()));
        nodes_.pop_front();
      }
    }
    return dropped.size();  // freed here, outside the lock
  }

  // Takes the newest node among the head nodes for which due(node) holds;
  // the older due ones are dropped (and freed), their count added to
  // *skipped. Null (nothing taken) when the head node is not due.
  template <typename Due>
  NodePtr takeNewestDue(Due due, std::size_t* skipped) {
    std::deque<NodePtr> dropped;
    NodePtr newest;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      while (!nodes_.empty() && due(*nodes_.front())) {
        if (newest) dropped.push_back(std::move(newest));
        newest = std::move(nodes_.front());
        nodes_.pop_front();
      }
    }
    if (skipped) *skipped += dropped.size();
    return newest;  // the dropped ones are freed here, outside the lock
  }

  // Calls see(node) for every queued node, oldest first, under the lock:
  // `see` must not use the queue.
  template <typename See>
  void forEach(See see) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const NodePtr& n : nodes_) see(*n);
  }

  bool empty() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return nodes_.empty();
  }

  std::size_t size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return nodes_.size();
  }

  // Takes every node out and frees it; returns how many there were.
  std::size_t clear() {
    std::deque<NodePtr> taken;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      taken.swap(nodes_);
    }
    return taken.size();  // freed here, outside the lock
  }

 private:
  mutable std::mutex mutex_;
  std::deque<NodePtr> nodes_;
};
