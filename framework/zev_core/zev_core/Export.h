// Symbol visibility for the framework's shared libraries. Everything is built
// with hidden visibility; the public interface is marked with ZEV_API.
#pragma once

#define ZEV_API __attribute__((visibility("default")))
