// Finding a named raw-data resource inside a Windows program image, by reading its resource
// directory: where the bytes of a payload lie in the file.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

struct ResourceLocation {
    size_t fileOffset;  // of the resource's first byte in the image file
    size_t size;
};

// Looks up the RT_RCDATA resource called `name` (first language found). False, with the reason
// in `failure`, when the image is not a PE program, has no such resource, or any structure on the
// way points outside the file.
bool FindRcDataResource(const std::vector<uint8_t>& image, const std::string& name, ResourceLocation& location,
                        std::string& failure);
