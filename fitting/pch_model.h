#pragma once
// The photon counting histogram of molecules diffusing through a 3D Gaussian
// focus, W(r) = exp(-2(x^2 + y^2)/w0^2 - 2z^2/z0^2), with uncorrelated
// Poisson background, in the limit of a large sample volume.
//
// Conventions: `molecules` is the mean number in pi^(3/2) w0^2 z0 (so that
// G(0) = 1/N), and `countsPerMolecule` the mean counts per bin of one
// molecule; a molecule at the centre gives 2^(3/2) times that.

#include <span>
#include <vector>

namespace plask::fitting {

struct PchSpecies {
    double molecules = 1.0;
    double countsPerMolecule = 0.1; // per bin
};

// Probabilities of 0..maxCount photons in a bin; entry maxCount + 1 is the
// probability of more. Empty when a parameter is not positive and finite.
[[nodiscard]] std::vector<double> pchProbabilities(
    std::span<const PchSpecies> species, double backgroundPerBin, int maxCount);

} // namespace plask::fitting
